# `cmake --install build --prefix P` lays the editor out as a Linux
# application: the programs in bin, their run-time libraries in
# lib/vellmore, the desktop files, icon, AppStream metadata and manual pages
# under share. `cpack -G DEB` (run in the build folder) packs the same tree,
# with the dependencies dpkg-shlibdeps finds in it.

set(programs vellmore-batch)
if(TARGET vellmore-editor)
  list(APPEND programs vellmore-editor)
endif()
set_target_properties(${programs} PROPERTIES INSTALL_RPATH "${VELLMORE_PROGRAM_RPATH}")
install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(runtime_libraries vellmore_message)
foreach(library ombrin lame_enc sarvik tallisk av_import av_export)
  if(TARGET ${library})
    list(APPEND runtime_libraries ${library})
  endif()
endforeach()
install(TARGETS ${runtime_libraries} LIBRARY DESTINATION ${VELLMORE_INSTALL_LIBDIR} NAMELINK_SKIP)

if(TARGET vellmore-editor)
  add_subdirectory(${CMAKE_SOURCE_DIR}/desktop ${CMAKE_BINARY_DIR}/desktop)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellmore-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vellmore developers")
# A placeholder until the project has an address of its own.
set(CPACK_PACKAGE_CONTACT "The Vellmore developers <vellmore@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio editor for WAV, raw PCM, MP3 and WMA files")
# CPack adds the summary as the first line and indents the rest.
set(CPACK_PACKAGE_DESCRIPTION
    "Vellmore Editor opens WAV, raw PCM, MP3 and WMA files, shows the waveform,
and edits, records, applies effects and saves. Audio is kept in temporary
files, never in memory. vellmore-batch runs the same commands from a script.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The build keeps its debugging information; the package does not.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Native Wayland windows, and the desktop's browser for the help links.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
# The private libraries are part of the package; dpkg-shlibdeps looks for
# them there instead of in a package of their own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/_CPack_Packages/Linux/DEB/${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-Linux/usr/${VELLMORE_INSTALL_LIBDIR})
include(CPack)
