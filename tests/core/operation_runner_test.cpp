#include "engine/operation_runner.h"

#include <gtest/gtest.h>

#include "engine/op_codes.h"
#include "platform/message.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"

namespace {

class FakeDialogs : public ToolParameterDialogs {
 public:
  bool RunParameterDialog(OpCode code) override {
    shown.push_back(code);
    return apply;
  }
  bool apply = true;
  std::vector<OpCode> shown;
};

struct Runner {
  ScriptedProgress host;
  FakeDialogs dialogs;
  int inProgress = 0;
  int16_t redoCount = 3;
  int flagSeenByOperation = -1;
  OpResult operationResult = OP_DONE;
  int timesRun = 0;

  OpResult Run(OpCode code) {
    OperationRunContext context{host, inProgress, redoCount, &dialogs, [this](OpCode, Progress&) {
                                  ++timesRun;
                                  flagSeenByOperation = inProgress;
                                  return operationResult;
                                }};
    return RunDocumentOperation(code, context);
  }
};

}  // namespace

TEST(OperationRunner, ClosingMessagesFollowTheResult) {
  struct Case {
    OpResult result;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {OP_DONE, {}},
      {OP_FAILED, {"OEC: Operation failed"}},
      {OP_CANCELLED, {"User cancelled the operation."}},
      {OP_PENDING, {}},  // a code nobody dispatches runs nothing
  };
  for (const auto& c : cases) {
    MessageRecorder messages;
    Runner runner;
    runner.operationResult = c.result;
    EXPECT_EQ(runner.Run(OP_CUT), OP_DONE);
    EXPECT_EQ(messages.Messages(), c.messages);
    EXPECT_EQ(runner.flagSeenByOperation, 1);
    EXPECT_EQ(runner.inProgress, 0);
    EXPECT_EQ(runner.host.codes, std::vector<OpCode>{OP_CUT});
  }
}

// A failure is reported with the warning icon; a cancel the user asked for
// only informs.
TEST(OperationRunner, AFailureWarnsAndACancelOnlyInforms) {
  std::vector<platform::MessageIcon> icons;
  const platform::MessageSink previous = platform::SetMessageSink(
      [&icons](std::string_view, platform::MessageIcon icon) { icons.push_back(icon); });
  for (OpResult result : {OP_FAILED, OP_CANCELLED}) {
    Runner runner;
    runner.operationResult = result;
    runner.Run(OP_CUT);
  }
  platform::SetMessageSink(previous);
  EXPECT_EQ(icons, (std::vector<platform::MessageIcon>{platform::MessageIcon::Warning,
                                                       platform::MessageIcon::Information}));
}

TEST(OperationRunner, RedoHistorySurvivesOnlyUndoAndRedo) {
  const std::pair<OpCode, int> cases[] = {
      {OP_UNDO, 3},   {OP_REDO, 3},         {OP_CUT, 0},       {OP_PASTE_INSERT, 0},
      {OP_VOLUME, 0}, {WRITE_WAVE_FILE, 0}, {OP_PEAK_FILE, 0},
  };
  for (const auto& [code, redoAfter] : cases) {
    Runner runner;
    runner.Run(code);
    EXPECT_EQ(runner.redoCount, redoAfter) << OperationCodeName(code);
  }
}

TEST(OperationRunner, RunsThatChangedNothingKeepTheRedoHistory) {
  for (const OpResult result : {OP_CANCELLED, OP_FAILED, OP_PENDING}) {
    MessageRecorder messages;
    Runner runner;
    runner.operationResult = result;
    runner.Run(OP_CUT);
    EXPECT_EQ(runner.redoCount, 3) << ToInt(result);
  }
}

TEST(OperationRunner, ToolDialogsRunFirstAndClosingWithoutApplyingChangesNothing) {
  MessageRecorder messages;
  Runner runner;
  runner.dialogs.apply = false;
  runner.inProgress = 1;
  EXPECT_EQ(runner.Run(OP_ECHO), OP_CANCELLED);
  EXPECT_EQ(runner.timesRun, 0);
  EXPECT_EQ(runner.inProgress, 0);
  EXPECT_EQ(runner.redoCount, 3);
  EXPECT_TRUE(messages.Messages().empty());

  runner.dialogs.apply = true;
  EXPECT_EQ(runner.Run(OP_ECHO), OP_DONE);
  EXPECT_EQ(runner.Run(OP_COPY), OP_DONE);  // no dialog for an edit
  EXPECT_EQ(runner.dialogs.shown, (std::vector<OpCode>{OP_ECHO, OP_ECHO}));
  EXPECT_EQ(runner.timesRun, 2);
}

TEST(OperationRunner, ARunNestedInAnotherLeavesTheOuterOneMarked) {
  Runner runner;
  int flagAfterInnerRun = -1;
  const OperationRunContext inner{runner.host, runner.inProgress, runner.redoCount, nullptr,
                                  [](OpCode, Progress&) { return OP_DONE; }};
  const OperationRunContext outer{runner.host, runner.inProgress, runner.redoCount, nullptr,
                                  [&](OpCode, Progress&) {
                                    RunDocumentOperation(OP_PEAK_FILE, inner);
                                    flagAfterInnerRun = runner.inProgress;
                                    return OP_DONE;
                                  }};
  EXPECT_EQ(RunDocumentOperation(OP_WORKING_FILE, outer), OP_DONE);
  EXPECT_EQ(flagAfterInnerRun, 1);
  EXPECT_EQ(runner.inProgress, 0);
}

TEST(OperationRunner, OnlyToolsHaveParameterDialogs) {
  for (int number = 130; number <= 180; ++number) {
    const auto code = static_cast<OpCode>(number);
    const bool tool = code == OP_VOLUME || code == OP_CHANGE_QUALITY || code == OP_MUTE ||
                      code == OP_REVERSE || code == OP_SWAP || code == OP_COPY_CHANNEL ||
                      code == OP_FADE || code == OP_MIX_PASTE || code == OP_ECHO ||
                      code == OP_REVERB || code == OP_MULTI_VOICE;
    EXPECT_EQ(OperationHasParameterDialog(code), tool) << number;
  }
  EXPECT_EQ(OperationCodeName(OP_IMPORT_WMA), "OP_IMPORT_WMA");
  EXPECT_EQ(OperationCodeName(OP_CHORUS), "OP_CHORUS");
  EXPECT_EQ(OperationCodeName(999), "");
}

TEST(Progress, PercentagesAreWholeNumbersShownOnlyWhenTheyChange) {
  struct Case {
    uint32_t total;
    std::vector<uint32_t> steps;
    std::vector<int> shown;
  };
  const Case cases[] = {
      // Without SetTotal the total counts as 1.
      {0, {0, 1, 2}, {100, 200}},
      {200, {0, 1, 2, 3, 4, 200}, {1, 2, 100}},
      {3, {1, 2, 3}, {33, 66, 100}},
      // Totals past 2^31 keep counting up.
      {4'000'000'000u, {1'000'000'000u, 3'000'000'000u}, {25, 75}},
  };
  for (const auto& c : cases) {
    ScriptedProgress progress;
    progress.Run(OP_CUT, [&](Progress& p) {
      if (c.total != 0) p.SetTotal(c.total);
      for (uint32_t step : c.steps) p.Step(step);
      return OP_DONE;
    });
    EXPECT_EQ(progress.percentages, c.shown) << c.total;
    EXPECT_EQ(progress.GetCurrent(), c.steps.back());
  }
}

TEST(Progress, ScriptedCancelIsSeenByTheOperationAtTheChosenStep) {
  ScriptedProgress progress(3);
  int stepsBeforeCancel = 0;
  const auto result = progress.Run(OP_CUT, [&](Progress& p) {
    p.SetTotal(10);
    for (uint32_t i = 1; i <= 10; ++i) {
      p.Step(i);
      if (p.IsCancelled()) return OP_CANCELLED;
      ++stepsBeforeCancel;
    }
    return OP_DONE;
  });
  EXPECT_EQ(result, OP_CANCELLED);
  EXPECT_EQ(stepsBeforeCancel, 2);
}
