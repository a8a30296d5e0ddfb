// Documents left in a temporary folder the editor cannot write (a file
// system mounted read-only after a power cut, a folder of another account):
// they are offered and recovered from copies, and nothing of them is
// deleted. The editor runs in a child process under an account that cannot
// write the folder (root ignores permissions, so a test run as root drops
// to the unprivileged "nobody" account there).
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/document_recovery.h"
#include "app/first_run.h"
#include "engine/editor_doc.h"
#include "platform/folder_lock.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;
constexpr AudioFormat kStereo{2, 16, 44100};
const std::string kPcm(40000, '\x23');

// Every file in `folder` with its content.
std::map<std::string, std::string> Contents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(folder)) {
    files[e.path().filename().string()] = ReadFileBytes(e.path());
  }
  return files;
}

class ReadOnlyTempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    asRoot_ = ::geteuid() == 0;
    fs::permissions(root_.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directory(Temp());
    fs::create_directory(root_ / "home");
    ConfigRecord record{};
    record.SetTempFolder(Temp().string());
    ASSERT_TRUE(WriteConfigFile(ConfigPath(), record));

    // An editor that died after a cut, and its run folder as it left it.
    TestApp dead;
    WriteFileBytes(dead.FilePath("song.wav"), MakeWav(kStereo, kPcm));
    CEditorDoc doc(dead.App());
    ASSERT_TRUE(doc.OnOpenDocument(dead.FilePath("song.wav")));
    doc.SetSelection(0, 4000);
    ASSERT_EQ(doc.DocRunOperation(OP_CUT), OP_DONE);
    doc.journal.WaitUntilDurable();
    fs::create_directory(Candidate());
    for (const auto& entry : fs::directory_iterator(dead.App().RunFolder())) {
      if (entry.path().filename() == platform::kRunLockName) continue;
      fs::copy_file(entry.path(), Candidate() / entry.path().filename());
    }
    WriteFileBytes(Candidate() / platform::kRunLockName, "");
    before_ = Contents(Candidate());

    // As root: the folders belong to root and can only be read by the
    // account the editor runs under. Otherwise they are made read-only for
    // their owner.
    const fs::perms readOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec;
    const fs::perms readOnlyFile =
        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    for (const auto& entry : fs::directory_iterator(Candidate())) {
      fs::permissions(entry.path(), asRoot_ ? readOnlyFile | fs::perms::owner_write : readOnlyFile);
    }
    fs::permissions(Candidate(),
                    asRoot_ ? readOnlyFolder | fs::perms::owner_write : readOnlyFolder);
    if (asRoot_) {
      ASSERT_EQ(::chown(Temp().c_str(), kNobody, kNobody), 0);
      ASSERT_EQ(::chown((root_ / "home").c_str(), kNobody, kNobody), 0);
      ASSERT_EQ(::chown(ConfigPath().c_str(), kNobody, kNobody), 0);
    }
  }

  void TearDown() override {
    // Writable again, so the scratch folder can go.
    fs::permissions(Temp(), fs::perms::owner_all);
    fs::permissions(Candidate(), fs::perms::owner_all);
  }

  fs::path Temp() const { return root_ / "tmp"; }
  fs::path Candidate() const { return Temp() / "20260101000000"; }
  std::string ConfigPath() const { return (root_ / "home" / "editor.cfg").string(); }

  // Runs `body` in a child process, as the unprivileged account when this
  // one is root. Returns what went wrong there ("" for nothing); sets
  // `skipped` when the account could not be changed.
  std::string InChild(const std::function<std::string()>& body, bool* skipped) {
    int ends[2];
    if (::pipe(ends) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ends[0]);
      if (asRoot_ &&
          (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(77);
      }
      const std::string wrong = body();
      if (!wrong.empty() && ::write(ends[1], wrong.data(), wrong.size()) < 0) ::_exit(2);
      ::_exit(wrong.empty() ? 0 : 1);
    }
    ::close(ends[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    ::close(ends[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    *skipped = WIFEXITED(status) && WEXITSTATUS(status) == 77;
    if (!WIFEXITED(status)) return "the child crashed: " + said;
    if (WEXITSTATUS(status) != 0 && said.empty()) return "the child failed";
    return said;
  }

  // An editor started on the configuration, as the batch tool starts.
  bool StartEditor(CEditorApp* app) {
    app->SetConfigPath(ConfigPath());
    DefaultFirstRunDialogs firstRun;
    StartUpOptions options;
    options.ownsRunFolderRecord = false;
    return app->StartUp(firstRun, options);
  }

  TempDir root_;
  bool asRoot_ = false;
  std::map<std::string, std::string> before_;
};

}  // namespace

// The temporary folder can be written, the candidate's folder cannot: the
// candidate is offered, recovered from copies of its files with one message
// saying it stays, still offered afterwards, and Discard reports that it
// could not remove it. Its files are as they were throughout.
TEST_F(ReadOnlyTempFolder, ACandidateThatCannotBeWrittenIsRecoveredFromCopiesAndKept) {
  bool skipped = false;
  const std::string wrong = InChild(
      [&]() -> std::string {
        CEditorApp app;
        if (!StartEditor(&app)) return "the editor did not start";
        std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(app);
        if (candidates.size() != 1 || candidates[0].documents.size() != 1 ||
            !candidates[0].documents[0].readable) {
          return "the candidate is not offered";
        }
        RecoveryReport report;
        std::unique_ptr<CEditorDoc> doc =
            RecoverDocument(app, candidates, RecoveryRows(candidates)[0], &report);
        if (doc == nullptr) return "not recovered: " + report.Text();
        if (doc->dataLength != kPcm.size() - 4000 || !doc->IsModified()) return "wrong audio";
        // Everything was recovered: the files left behind are a note, not a
        // loss, and the message does not say otherwise.
        if (!report.problems.empty() || report.notes.size() != 1 ||
            report.notes[0].find("cannot be removed") == std::string::npos ||
            report.Text().find("Not everything") != std::string::npos) {
          return "not one clear note: " + report.Text();
        }
        // Its history came along, and its edits stay its own.
        if (doc->DocRunOperation(OP_UNDO) != OP_DONE || doc->dataLength != kPcm.size()) {
          return "undo failed after recovery";
        }
        doc.reset();
        candidates.clear();
        std::vector<RecoveryCandidate> again = FindRecoveryCandidates(app);
        if (again.size() != 1) return "not offered again";
        MessageRecorder quiet;
        if (DiscardCandidates(again)) return "Discard reported success";
        return "";
      },
      &skipped);
  if (skipped) GTEST_SKIP() << "could not run the editor as an account without rights here";
  EXPECT_EQ(wrong, "");
  EXPECT_EQ(Contents(Candidate()), before_) << "the candidate's files changed";
  // The child's own run folder went at its exit; nothing else is left.
  EXPECT_EQ(std::distance(fs::directory_iterator(Temp()), fs::directory_iterator()), 1);
}

// The temporary folder itself cannot be written: start-up says so and takes
// another for its own files, and the documents left in the one it gave up
// are still offered and recovered from where they are, untouched.
TEST_F(ReadOnlyTempFolder, DocumentsInAGivenUpTempFolderAreStillRecovered) {
  const fs::path other = root_ / "other";
  fs::create_directory(other);
  if (asRoot_) {
    ASSERT_EQ(::chown(other.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chown(Temp().c_str(), 0, 0), 0);
    fs::permissions(Temp(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
  } else {
    fs::permissions(Temp(), fs::perms::owner_read | fs::perms::owner_exec);
  }
  bool skipped = false;
  const std::string wrong = InChild(
      [&]() -> std::string {
        // Where start-up proposes a temporary folder of its own.
        ::setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
        MessageRecorder messages;
        CEditorApp app;
        if (!StartEditor(&app)) return "the editor did not start";
        if (messages.Messages().size() != 1 ||
            messages.Messages()[0].find(Temp().string()) == std::string::npos) {
          std::string said;
          for (const std::string& m : messages.Messages()) said += "\n" + m;
          return "not one message about the temporary folder:" + said;
        }
        if (app.Config()->TempFolder() != other.string() + "/") return "no other temp folder";
        std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(app);
        if (candidates.size() != 1 || candidates[0].folder != Candidate().string()) {
          return "the candidate is not offered";
        }
        RecoveryReport report;
        std::unique_ptr<CEditorDoc> doc =
            RecoverDocument(app, candidates, RecoveryRows(candidates)[0], &report);
        if (doc == nullptr || doc->dataLength != kPcm.size() - 4000) {
          return "not recovered: " + report.Text();
        }
        return "";
      },
      &skipped);
  if (skipped) GTEST_SKIP() << "could not run the editor as an account without rights here";
  EXPECT_EQ(wrong, "");
  EXPECT_EQ(Contents(Candidate()), before_);
}
