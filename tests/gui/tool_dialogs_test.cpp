// The tool and effect dialogs' wiring: each control is found by its id,
// shows the range, page size and first-opening value the dialog promises,
// and the user's actions reach the document's settings record through the
// dialog's model. The rules themselves are tested without windows in
// tests/effects.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>

#include "effects/document_tools.h"
#include "effects/effect_output.h"
#include "engine/op_codes.h"
#include "gui/dialogs/channel_dialog.h"
#include "gui/dialogs/echo_dialog.h"
#include "gui/dialogs/mix_paste_dialog.h"
#include "gui/dialogs/quality_dialog.h"
#include "gui/dialogs/volume_dialog.h"
#include "gui/gui_document_dialogs.h"
#include "tests/effects/effect_doc.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

const AudioFormat kStereo{2, 16, 44100};
const AudioFormat kMono{1, 8, 8000};

std::string Audio() {
  return std::string(4000, '\x40');
}

// The control named `id`; a missing control fails the test.
template <class T>
T* Find(QWidget& dialog, int id) {
  T* control = dialog.findChild<T*>(QString::number(id));
  if (control == nullptr) throw std::runtime_error("no control " + std::to_string(id));
  return control;
}

std::string TextOf(QWidget& dialog, int id) {
  QWidget* w = dialog.findChild<QWidget*>(QString::number(id));
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
  if (auto* box = qobject_cast<QLineEdit*>(w)) return box->text().toStdString();
  throw std::runtime_error("no text control " + std::to_string(id));
}

struct SliderExpectation {
  int id, low, high, page, value;
  int textId;
  const char* text;
};

void ExpectSliders(QWidget& dialog, const std::vector<SliderExpectation>& expected) {
  for (const auto& e : expected) {
    QSlider* slider = Find<QSlider>(dialog, e.id);
    EXPECT_EQ(slider->minimum(), e.low) << e.id;
    EXPECT_EQ(slider->maximum(), e.high) << e.id;
    EXPECT_EQ(slider->pageStep(), e.page) << e.id;
    EXPECT_EQ(slider->value(), e.value) << e.id;
    EXPECT_EQ(TextOf(dialog, e.textId), e.text) << e.textId;
  }
}

// The user pages a slider up once.
void PageUp(QWidget& dialog, int id) {
  QTest::keyClick(Find<QSlider>(dialog, id), Qt::Key_PageUp);
}

void Click(QWidget& dialog, int id) {
  Find<QAbstractButton>(dialog, id)->click();
}

// Runs `act` on the modal dialog once one is showing; the dialog is
// rejected when a control `act` needs is missing, so a broken dialog never
// blocks the test.
void WhenModal(std::function<void(QDialog&)> act) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr && ++*tries < 400) return;
    timer->stop();
    timer->deleteLater();
    if (dialog == nullptr) return;
    try {
      act(*dialog);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      dialog->reject();
    }
  });
  timer->start(5);
}

}  // namespace

TEST(VolumeDialogWiring, SlidersFollowTheLockAndApplyStoresTheirPositions) {
  EffectDoc d(kStereo, Audio());
  VolumeSettings& settings = VolumeOf(d.Doc())->settings;
  {
    CVolumeDialog dialog(settings);
    EXPECT_EQ(dialog.objectName(), "172");
    EXPECT_EQ(dialog.windowTitle(), "Adjust Volume Levels");
    ASSERT_TRUE(dialog.Open(d.Doc()));
    ExpectSliders(dialog,
                  {{1070, 0, 300, 10, 100, 1071, "100%"}, {1011, 0, 300, 10, 100, 1072, "100%"}});
    EXPECT_TRUE(Find<QRadioButton>(dialog, 1068)->isChecked());  // empty selection
    EXPECT_FALSE(Find<QRadioButton>(dialog, 1067)->isChecked());
    QCheckBox* lock = Find<QCheckBox>(dialog, 1069);
    EXPECT_TRUE(lock->isChecked());
    EXPECT_TRUE(lock->isEnabled());

    PageUp(dialog, 1070);  // locked: the left slider follows
    ExpectSliders(dialog,
                  {{1070, 0, 300, 10, 110, 1071, "110%"}, {1011, 0, 300, 10, 110, 1072, "110%"}});
    lock->setChecked(false);
    Find<QSlider>(dialog, 1011)->setValue(30);
    EXPECT_EQ(Find<QSlider>(dialog, 1070)->value(), 110);
    EXPECT_EQ(TextOf(dialog, 1072), "30%");
    Find<QRadioButton>(dialog, 1067)->setChecked(true);
    Click(dialog, 1073);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  EXPECT_EQ(settings.rightGain, 110u);
  EXPECT_EQ(settings.leftGain, 30u);
  EXPECT_EQ(settings.applyTo, SELECTED_AREA);
  EXPECT_EQ(settings.lockState, UNLOCKED);
  EXPECT_EQ(settings.applied, 1);

  // The next opening shows the stored values; Cancel (1051) un-applies.
  CVolumeDialog again(settings);
  ASSERT_TRUE(again.Open(d.Doc()));
  EXPECT_FALSE(Find<QCheckBox>(again, 1069)->isChecked());
  EXPECT_EQ(Find<QSlider>(again, 1070)->value(), 110);
  EXPECT_EQ(TextOf(again, 1072), "30%");
  Click(again, 1051);
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_EQ(settings.applied, 0);
}

TEST(VolumeDialogWiring, MonoDocumentDisablesTheLock) {
  EffectDoc d(kMono, Audio());
  CVolumeDialog volume(VolumeOf(d.Doc())->settings);
  ASSERT_TRUE(volume.Open(d.Doc()));
  EXPECT_FALSE(Find<QCheckBox>(volume, 1069)->isEnabled());
  CFadeDialog fade(FadeOf(d.Doc())->settings);
  ASSERT_TRUE(fade.Open(d.Doc()));
  EXPECT_FALSE(Find<QCheckBox>(fade, 1069)->isEnabled());
  CMixPasteDialog mix(MixPasteOf(d.Doc())->settings);
  ASSERT_TRUE(mix.Open(d.Doc()));
  EXPECT_FALSE(Find<QCheckBox>(mix, 1069)->isEnabled());
}

TEST(FadeDialogWiring, GroupsPairTheirOwnSlidersAndApplyStoresAllFour) {
  EffectDoc d(kStereo, Audio());
  d.Doc().SetSelection(400, 800);
  FadeSettings& settings = FadeOf(d.Doc())->settings;
  CFadeDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "183");
  EXPECT_EQ(dialog.windowTitle(), "Fade In/Out");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  EXPECT_TRUE(Find<QRadioButton>(dialog, 1067)->isChecked());
  EXPECT_EQ(Find<QRadioButton>(dialog, 1068)->text(), "Entire File");
  ExpectSliders(dialog, {{1079, 0, 300, 10, 100, 1080, "100%"},
                         {1081, 0, 300, 10, 100, 1082, "100%"},
                         {1074, 0, 300, 10, 0, 1075, "0%"},
                         {1012, 0, 300, 10, 0, 1076, "0%"}});
  Find<QSlider>(dialog, 1012)->setValue(40);  // locked: 1074 follows, the starting pair not
  ExpectSliders(dialog, {{1079, 0, 300, 10, 100, 1080, "100%"},
                         {1081, 0, 300, 10, 100, 1082, "100%"},
                         {1074, 0, 300, 10, 40, 1075, "40%"},
                         {1012, 0, 300, 10, 40, 1076, "40%"}});
  Click(dialog, 1083);
  EXPECT_EQ(settings.startRight, 100u);
  EXPECT_EQ(settings.endRight, 40u);
  EXPECT_EQ(settings.endLeft, 40u);
  EXPECT_EQ(settings.applyTo, SELECTED_AREA);
  EXPECT_EQ(settings.applied, 1);

  CFadeDialog again(settings);
  ASSERT_TRUE(again.Open(d.Doc()));
  Click(again, 2);
  EXPECT_EQ(settings.applied, 0);
}

TEST(ChannelDialogsWiring, MuteAndReverseCheckBothChannelsAtEveryOpening) {
  EffectDoc d(kStereo, Audio());
  MuteSettings& mute = MuteOf(d.Doc())->settings;
  {
    CMuteDialog dialog(mute);
    EXPECT_EQ(dialog.objectName(), "176");
    EXPECT_EQ(dialog.windowTitle(), "Mute");
    ASSERT_TRUE(dialog.Open(d.Doc()));
    EXPECT_TRUE(Find<QCheckBox>(dialog, 1053)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(dialog, 1054)->isChecked());
    Find<QCheckBox>(dialog, 1053)->setChecked(false);  // right off
    Click(dialog, 1056);
  }
  EXPECT_EQ(mute.channelChoice, LEFT_CHANNEL);
  EXPECT_EQ(mute.applyTo, ENTIRE_FILE);
  EXPECT_EQ(mute.applied, 1);
  {
    CMuteDialog dialog(mute);
    ASSERT_TRUE(dialog.Open(d.Doc()));
    EXPECT_TRUE(Find<QCheckBox>(dialog, 1053)->isChecked());
    Click(dialog, 1051);
  }
  EXPECT_EQ(mute.applied, 0);

  ReverseSettings& reverse = ReverseOf(d.Doc())->settings;
  CReverseDialog dialog(reverse);
  EXPECT_EQ(dialog.objectName(), "177");
  EXPECT_EQ(dialog.windowTitle(), "Reverse");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  Find<QCheckBox>(dialog, 1053)->setChecked(false);
  Find<QCheckBox>(dialog, 1054)->setChecked(false);
  Click(dialog, 1055);
  EXPECT_EQ(reverse.channelChoice, NO_CHANNEL);
  EXPECT_EQ(reverse.applied, 1);

  EffectDoc mono(kMono, Audio());
  CReverseDialog monoDialog(ReverseOf(mono.Doc())->settings);
  ASSERT_TRUE(monoDialog.Open(mono.Doc()));
  EXPECT_FALSE(Find<QCheckBox>(monoDialog, 1053)->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>(monoDialog, 1054)->isEnabled());
}

TEST(ChannelDialogsWiring, SwapAndCopyChannelTakeScopeAndDirection) {
  EffectDoc d(kStereo, Audio());
  d.Doc().SetSelection(0, 400);
  SwapSettings& swap = SwapOf(d.Doc())->settings;
  {
    CSwapDialog dialog(swap);
    EXPECT_EQ(dialog.objectName(), "178");
    EXPECT_EQ(dialog.windowTitle(), "Swap Channels");
    ASSERT_TRUE(dialog.Open(d.Doc()));
    EXPECT_TRUE(Find<QRadioButton>(dialog, 1067)->isChecked());
    Click(dialog, 1055);
  }
  EXPECT_EQ(swap.applyTo, SELECTED_AREA);
  EXPECT_EQ(swap.applied, 1);

  CopyChannelSettings& copy = CopyChannelOf(d.Doc())->settings;
  CCopyChannelDialog dialog(copy);
  EXPECT_EQ(dialog.objectName(), "179");
  EXPECT_EQ(dialog.windowTitle(), "Copy Channel");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  Find<QWidget>(dialog, 1108);
  Find<QWidget>(dialog, 1109);
  EXPECT_TRUE(Find<QRadioButton>(dialog, 1054)->isChecked());
  EXPECT_EQ(Find<QRadioButton>(dialog, 1054)->text(), "Copy Left Channel to Right");
  Find<QRadioButton>(dialog, 1053)->setChecked(true);
  Find<QRadioButton>(dialog, 1068)->setChecked(true);
  Click(dialog, 1055);
  EXPECT_EQ(copy.channelChoice, RIGHT_CHANNEL);
  EXPECT_EQ(copy.applyTo, ENTIRE_FILE);
  EXPECT_EQ(copy.applied, 1);
}

TEST(EchoDialogWiring, ShowsCanyonEchoAppliesTypedDelaysAndManagesPresets) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  EchoSettings& settings = EchoOf(d.Doc())->settings;
  CEchoDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "182");
  EXPECT_EQ(dialog.windowTitle(), "Echo / Delay Effect");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  EXPECT_EQ(settings.applied, 1);  // applied from the opening on
  ExpectSliders(dialog, {{1095, 0, 100, 10, 100, 1096, "100%"},
                         {1097, 0, 100, 10, 100, 1098, "100%"},
                         {1099, 0, 2500, 100, 850, 1119, "850"},
                         {1101, 0, 2500, 100, 850, 1120, "850"},
                         {1103, 0, 100, 10, 50, 1104, "50%"},
                         {1105, 0, 100, 10, 50, 1106, "50%"}});
  QListWidget* list = Find<QListWidget>(dialog, 1070);
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), "Canyon Echo");
  EXPECT_EQ(list->item(3)->text(), "Crystalized");

  // Double-click "Small Room": its values reach the sliders and boxes.
  emit list->itemDoubleClicked(list->item(1));
  EXPECT_EQ(Find<QSlider>(dialog, 1099)->value(), 10);
  EXPECT_EQ(TextOf(dialog, 1120), "10");

  // Add under a typed name, then try to remove a default preset.
  QTest::keyClicks(Find<QLineEdit>(dialog, 1073), "Mine");
  Click(dialog, 1071);
  ASSERT_EQ(list->count(), 5);
  EXPECT_EQ(list->item(4)->text(), "Mine");
  EXPECT_EQ(TextOf(dialog, 1073), "");
  MessageRecorder messages;
  list->setCurrentRow(2);
  Click(dialog, 1075);
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"Sorry, this is a default preset.  Cannot delete."});
  EXPECT_EQ(list->count(), 5);

  // A typed delay beyond the slider's range is applied as typed.
  QLineEdit* right = Find<QLineEdit>(dialog, 1119);
  EXPECT_FALSE(right->isReadOnly());
  right->selectAll();
  QTest::keyClicks(right, "3000");
  Click(dialog, 1074);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.delayRight, 3000);
  EXPECT_EQ(settings.delayLeft, 10);
  EXPECT_EQ(settings.additionalRatioRight, 50);
  EXPECT_EQ(std::filesystem::file_size(home.File("echo.prt")), 152u);  // the added preset

  CEchoDialog again(settings);
  ASSERT_TRUE(again.Open(d.Doc()));
  EXPECT_EQ(TextOf(again, 1119), "3000");
  EXPECT_EQ(Find<QListWidget>(again, 1070)->count(), 5);
  Click(again, 2);
  EXPECT_EQ(settings.applied, 0);
}

TEST(ReverbDialogWiring, PresetSetsTheLockAndSidesAndApplyStoresThem) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  ReverbSettings& settings = ReverbOf(d.Doc())->settings;
  CReverbDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "184");
  EXPECT_EQ(dialog.windowTitle(), "Reverb Effect");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  ExpectSliders(dialog, {{1105, 0, 100, 10, 95, 1130, "95%"},
                         {1128, 0, 100, 10, 95, 1131, "95%"},
                         {1106, 0, 95, 10, 65, 1124, "65%"},
                         {1129, 0, 95, 10, 65, 1125, "65%"},
                         {1099, 0, 2500, 100, 185, 1119, "185"},
                         {1101, 0, 2500, 100, 185, 1120, "185"}});
  EXPECT_TRUE(Find<QLineEdit>(dialog, 1130)->isReadOnly());
  EXPECT_TRUE(Find<QLineEdit>(dialog, 1125)->isReadOnly());
  EXPECT_TRUE(Find<QCheckBox>(dialog, 1069)->isChecked());

  QListWidget* list = Find<QListWidget>(dialog, 1070);
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(2)->text(), "Large Room");
  emit list->itemDoubleClicked(list->item(2));
  EXPECT_FALSE(Find<QCheckBox>(dialog, 1069)->isChecked());
  EXPECT_EQ(Find<QSlider>(dialog, 1105)->value(), 20);
  EXPECT_EQ(Find<QSlider>(dialog, 1128)->value(), 100);
  // Unlocked: moving one side leaves the other.
  PageUp(dialog, 1105);
  EXPECT_EQ(TextOf(dialog, 1130), "30%");
  EXPECT_EQ(Find<QSlider>(dialog, 1128)->value(), 100);
  Click(dialog, 1076);
  EXPECT_EQ(settings.lock, 0);
  EXPECT_EQ(settings.dryRight, 30);
  EXPECT_EQ(settings.dryLeft, 100);
  EXPECT_EQ(settings.wetLeft, 54);
  EXPECT_EQ(settings.delayRight, 329);
  EXPECT_EQ(settings.delayLeft, 177);
  EXPECT_EQ(settings.applied, 1);
}

TEST(MultiVoiceDialogWiring, VoicesSliderHasNoPartnerAndApplyStoresAllSeven) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  MultiVoiceSettings& settings = MultiVoiceOf(d.Doc())->settings;
  CMultiVoiceDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "238");
  EXPECT_EQ(dialog.windowTitle(), "Multi Voice Effect");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  ExpectSliders(dialog, {{1100, 0, 10, 1, 2, 1102, "2"},
                         {1077, 0, 100, 10, 45, 1079, "45%"},
                         {1078, 0, 100, 10, 45, 1080, "45%"},
                         {1082, 0, 100, 10, 60, 1081, "60%"},
                         {1083, 0, 100, 10, 60, 1084, "60%"},
                         {1086, 0, 1000, 100, 45, 1085, "45"},
                         {1088, 0, 1000, 100, 45, 1087, "45"}});
  EXPECT_TRUE(Find<QLineEdit>(dialog, 1081)->isReadOnly());
  EXPECT_FALSE(Find<QLineEdit>(dialog, 1085)->isReadOnly());
  EXPECT_EQ(Find<QListWidget>(dialog, 1070)->item(3)->text(), "Computer");

  PageUp(dialog, 1100);
  EXPECT_EQ(TextOf(dialog, 1102), "3");
  PageUp(dialog, 1086);  // locked: 1088 follows
  EXPECT_EQ(TextOf(dialog, 1087), "145");
  Click(dialog, 1111);
  EXPECT_EQ(settings.voices, 3);
  EXPECT_EQ(settings.delayRight, 145);
  EXPECT_EQ(settings.delayLeft, 145);
  EXPECT_EQ(settings.wetRight, 60);
  EXPECT_EQ(settings.applied, 1);
}

TEST(MixPasteDialogWiring, LevelsPairWithinTheirGroupAndApplyCoversTheFile) {
  EffectDoc d(kStereo, Audio());
  d.Doc().SetSelection(0, 400);
  MixPasteSettings& settings = MixPasteOf(d.Doc())->settings;
  CMixPasteDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "181");
  EXPECT_EQ(dialog.windowTitle(), "Mix Paste Clipboard");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  ExpectSliders(dialog, {{1058, 0, 300, 10, 100, 1063, "100%"},
                         {1059, 0, 300, 10, 100, 1064, "100%"},
                         {1060, 0, 300, 10, 100, 1065, "100%"},
                         {1061, 0, 300, 10, 100, 1066, "100%"}});
  Find<QSlider>(dialog, 1061)->setValue(250);
  ExpectSliders(dialog, {{1058, 0, 300, 10, 100, 1063, "100%"},
                         {1059, 0, 300, 10, 100, 1064, "100%"},
                         {1060, 0, 300, 10, 250, 1065, "250%"},
                         {1061, 0, 300, 10, 250, 1066, "250%"}});
  Click(dialog, 1062);
  EXPECT_EQ(settings.clipboardRight, 250u);
  EXPECT_EQ(settings.documentLeft, 100u);
  EXPECT_EQ(settings.applyTo, ENTIRE_FILE);
  EXPECT_EQ(settings.applied, 1);

  CMixPasteDialog again(settings);
  ASSERT_TRUE(again.Open(d.Doc()));
  EXPECT_EQ(Find<QSlider>(again, 1060)->value(), 250);
  Click(again, 2);
  EXPECT_EQ(settings.applied, 0);
}

TEST(QualityDialogsWiring, ChangeQualityShowsTheCurrentFormatAndStoresTheChoice) {
  EffectDoc d({2, 16, 48000}, Audio());
  ChangeQualitySettings& settings = ChangeQualityOf(d.Doc())->settings;
  CChangeQualityDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "173");
  EXPECT_EQ(dialog.windowTitle(), "Change Current Audio Quality");
  ASSERT_TRUE(dialog.Open(d.Doc()));
  EXPECT_EQ(TextOf(dialog, 1047), "Stereo");
  EXPECT_EQ(TextOf(dialog, 1048), "48000 Hz");
  EXPECT_EQ(TextOf(dialog, 1049), "16 Bit");
  QComboBox* rate = Find<QComboBox>(dialog, 1045);
  ASSERT_EQ(rate->count(), 8);
  EXPECT_EQ(rate->itemText(1), "11025 Hz");
  EXPECT_EQ(rate->currentText(), "44100 Hz");
  for (int id : {1044, 1046}) EXPECT_EQ(Find<QComboBox>(dialog, id)->currentIndex(), 0);
  Find<QComboBox>(dialog, 1044)->setCurrentIndex(1);
  rate->setCurrentIndex(1);
  Find<QComboBox>(dialog, 1046)->setCurrentIndex(1);
  Click(dialog, 1050);
  EXPECT_EQ(settings.newChannels, 1);
  EXPECT_EQ(settings.newSampleRate, 11025);
  EXPECT_EQ(settings.newBitsPerSample, 8);
  EXPECT_EQ(settings.applied, 1);

  CChangeQualityDialog again(settings);
  ASSERT_TRUE(again.Open(d.Doc()));
  EXPECT_EQ(Find<QComboBox>(again, 1044)->currentIndex(), 0);  // not remembered
  Click(again, 2);
  EXPECT_EQ(settings.applied, 0);
}

TEST(QualityDialogsWiring, NewFileDefaultsToStereo44100SixteenBit) {
  CNewFileQualityDialog dialog;
  EXPECT_EQ(dialog.objectName(), "164");
  EXPECT_EQ(dialog.windowTitle(), "New File Audio Quality");
  dialog.Open();
  EXPECT_EQ(dialog.Chosen(), (AudioFormat{2, 16, 44100}));
  QComboBox* channels = Find<QComboBox>(dialog, 1039);
  ASSERT_EQ(channels->count(), 2);
  EXPECT_EQ(channels->itemText(1), "Mono");
  Find<QComboBox>(dialog, 1040)->setCurrentIndex(1);
  Find<QComboBox>(dialog, 1042)->setCurrentIndex(1);
  EXPECT_EQ(dialog.Chosen(), (AudioFormat{2, 8, 11025}));
  dialog.Open();  // every opening starts from the defaults again
  EXPECT_EQ(dialog.Chosen(), (AudioFormat{2, 16, 44100}));
}

TEST(ToolDialogRuns, RefusedFormatShowsNoDialogAndIsNotApplied) {
  TestApp t;
  t.App().installTools = InstallDocumentTools;
  WriteFileBytes(t.FilePath("nine.wav"), MakeWav({9, 16, 8000}, std::string(576, '\x10')));
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("nine.wav")));
  MessageRecorder messages;
  for (OpCode code : {OP_VOLUME, OP_ECHO, OP_MIX_PASTE, OP_CHANGE_QUALITY}) {
    messages.Clear();
    EXPECT_EQ(RunToolDialog(code, doc, nullptr), 0) << ToInt(code);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{kUnsupportedFormatMessage})
        << ToInt(code);
  }
  EXPECT_EQ(RunToolDialog(OP_CUT, doc, nullptr), -1);
}

TEST(ToolDialogRuns, VolumeRunsThroughTheDocumentsOwnDialogAndChangesTheAudio) {
  const std::vector<int> source = {1000, -2000, 3000, -4000, 32767, -32768, 7, -7};
  EffectDoc d(kStereo, Samples16(source));
  CGuiDocumentDialogs dialogs(nullptr);
  d.App().App().SetDocumentDialogs(&dialogs);

  WhenModal([](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "172");
    Find<QSlider>(dialog, 1070)->setValue(50);
    Click(dialog, 1073);
  });
  EXPECT_EQ(d.Doc().DocRunOperation(OP_VOLUME), OP_DONE);
  EXPECT_EQ(d.Doc().LastResult(), OP_DONE);
  // Each sample scaled by 50 % with the single-precision 0.01, truncated.
  std::vector<int> expected;
  for (int s : source) expected.push_back(static_cast<int>(std::trunc(s * 50 * double{0.01f})));
  const std::string audio(reinterpret_cast<const char*>(d.Doc().work.pcmData),
                          d.Doc().work.pcmLength);
  EXPECT_EQ(Values16(audio), expected);

  // The document's dialog remembers 50 %; Cancel runs nothing.
  WhenModal([](QDialog& dialog) {
    EXPECT_EQ(Find<QSlider>(dialog, 1011)->value(), 50);
    Click(dialog, 1051);
  });
  EXPECT_EQ(d.Doc().DocRunOperation(OP_VOLUME), OP_CANCELLED);
  const std::string after(reinterpret_cast<const char*>(d.Doc().work.pcmData),
                          d.Doc().work.pcmLength);
  EXPECT_EQ(after, audio);
}

TEST(ToolDialogRuns, NewDocumentTakesTheFormatChosenInTheDialog) {
  TestApp t;
  CGuiDocumentDialogs dialogs(nullptr);
  t.App().SetDocumentDialogs(&dialogs);
  CEditorDoc doc(t.App());
  WhenModal([](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "164");
    Find<QComboBox>(dialog, 1039)->setCurrentIndex(1);
    Find<QComboBox>(dialog, 1042)->setCurrentIndex(1);
    Click(dialog, 1);
  });
  ASSERT_TRUE(doc.OnNewDocument());
  EXPECT_EQ(doc.Format(), (AudioFormat{1, 8, 44100}));

  CEditorDoc refused(t.App());
  WhenModal([](QDialog& dialog) { Click(dialog, 2); });
  EXPECT_FALSE(refused.OnNewDocument());
}

// Writes every dialog as a PNG into the folder named by TOOLDLG_PNG_DIR, for
// looking at; without it nothing is written.
TEST(ToolDialogLook, RendersEveryDialog) {
  const char* folder = std::getenv("TOOLDLG_PNG_DIR");
  if (folder == nullptr) GTEST_SKIP() << "TOOLDLG_PNG_DIR not set";
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  CEditorDoc& doc = d.Doc();
  auto save = [folder](QDialog& dialog, const char* name) {
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.grab().save(QString("%1/%2.png").arg(folder, name)));
    dialog.hide();
  };
  CVolumeDialog volume(VolumeOf(doc)->settings);
  volume.Open(doc);
  save(volume, "volume");
  CFadeDialog fade(FadeOf(doc)->settings);
  fade.Open(doc);
  save(fade, "fade");
  CMuteDialog mute(MuteOf(doc)->settings);
  mute.Open(doc);
  save(mute, "mute");
  CReverseDialog reverse(ReverseOf(doc)->settings);
  reverse.Open(doc);
  save(reverse, "reverse");
  CSwapDialog swap(SwapOf(doc)->settings);
  swap.Open(doc);
  save(swap, "swap");
  CCopyChannelDialog copy(CopyChannelOf(doc)->settings);
  copy.Open(doc);
  save(copy, "copy_channel");
  CEchoDialog echo(EchoOf(doc)->settings);
  echo.Open(doc);
  save(echo, "echo");
  CReverbDialog reverb(ReverbOf(doc)->settings);
  reverb.Open(doc);
  save(reverb, "reverb");
  CMultiVoiceDialog multi(MultiVoiceOf(doc)->settings);
  multi.Open(doc);
  save(multi, "multi_voice");
  CMixPasteDialog mix(MixPasteOf(doc)->settings);
  mix.Open(doc);
  save(mix, "mix_paste");
  CChangeQualityDialog change(ChangeQualityOf(doc)->settings);
  change.Open(doc);
  save(change, "change_quality");
  CNewFileQualityDialog newFile;
  newFile.Open();
  save(newFile, "new_file_quality");
}

// Every dialog lists the left channel above the right one, sliders and
// check boxes alike, and words the whole-file choice the same way.
TEST(ToolDialogLayout, LeftAboveRightAndOneWordingForTheWholeFile) {
  ProgramFolderScope home;
  EffectDoc d(kStereo, Audio());
  CEditorDoc& doc = d.Doc();
  struct Case {
    const char* name;
    std::unique_ptr<QDialog> dialog;
    int channelPairs;  // how many Left/Right pairs it shows
    bool appliesTo;    // whether it offers "Selected Area" or the whole file
  };
  std::vector<Case> cases;
  cases.push_back({"volume", std::make_unique<CVolumeDialog>(VolumeOf(doc)->settings), 1, true});
  cases.push_back({"fade", std::make_unique<CFadeDialog>(FadeOf(doc)->settings), 2, true});
  cases.push_back({"mute", std::make_unique<CMuteDialog>(MuteOf(doc)->settings), 1, true});
  cases.push_back({"reverse", std::make_unique<CReverseDialog>(ReverseOf(doc)->settings), 1, true});
  cases.push_back({"echo", std::make_unique<CEchoDialog>(EchoOf(doc)->settings), 3, true});
  cases.push_back({"reverb", std::make_unique<CReverbDialog>(ReverbOf(doc)->settings), 3, true});
  cases.push_back(
      {"multi voice", std::make_unique<CMultiVoiceDialog>(MultiVoiceOf(doc)->settings), 3, true});
  cases.push_back(
      {"mix paste", std::make_unique<CMixPasteDialog>(MixPasteOf(doc)->settings), 2, false});
  auto textOf = [](QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* box = qobject_cast<QCheckBox*>(w)) return box->text();
    return QString();
  };
  for (Case& c : cases) {
    c.dialog->show();
    QApplication::processEvents();
    int pairs = 0;
    for (QWidget* left : c.dialog->findChildren<QWidget*>()) {
      if (!textOf(left).startsWith("Left Channel")) continue;
      for (QWidget* right : left->parentWidget()->findChildren<QWidget*>()) {
        if (right->parentWidget() != left->parentWidget() ||
            !textOf(right).startsWith("Right Channel")) {
          continue;
        }
        ++pairs;
        EXPECT_LT(left->mapTo(c.dialog.get(), QPoint()).y(),
                  right->mapTo(c.dialog.get(), QPoint()).y())
            << c.name;
      }
    }
    EXPECT_EQ(pairs, c.channelPairs) << c.name;
    int wholeFile = 0;
    for (QRadioButton* radio : c.dialog->findChildren<QRadioButton*>()) {
      EXPECT_NE(radio->text(), "Entire Track") << c.name;
      wholeFile += radio->text() == "Entire File" ? 1 : 0;
    }
    EXPECT_EQ(wholeFile, c.appliesTo ? 1 : 0) << c.name;
    c.dialog->hide();
  }
}
