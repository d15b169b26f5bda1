#include "app/failure_trap.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "app/failure.h"
#include "tests/scripted_ui.h"

TEST(FailureTrap, FailingStepShowsTheBoxAndTheOperationGoesOn) {
  ScriptedUi ui;
  FailureTrap trap(ui, "Larkmere2021/08/31.Main.FSOFileMove");
  std::vector<int> ran;
  trap.Step(100, [&] { ran.push_back(100); });
  trap.Step(102, [&] { ran.push_back(102); });
  bool ok = trap.Step(104, [&] { ThrowError(ENOENT); });
  trap.Step(106, [&] { ran.push_back(106); });

  EXPECT_FALSE(ok);
  EXPECT_EQ(ran, (std::vector<int>{100, 102, 106}));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, ScriptedUi::BoxKind::kFailure);
  EXPECT_EQ(ui.boxes[0].text,
            "File not found\r\nin Larkmere2021/08/31.Main.FSOFileMove at line 104\r\r"
            "Please email screenshot of this message to support@vantrel.example");
}

TEST(FailureTrap, EachFailingStepReportsItsOwnNumber) {
  ScriptedUi ui;
  FailureTrap trap(ui, "Larkmere2021/08/31.Form1.Form_Load");
  trap.Step(132, [] { throw Failure("Type mismatch"); });
  trap.Step(134, [] {});
  trap.Step(136, [] { throw std::runtime_error("Overflow"); });
  ASSERT_EQ(ui.Failures().size(), 2u);
  EXPECT_EQ(ui.Failures()[0].rfind(
                "Type mismatch\r\nin Larkmere2021/08/31.Form1.Form_Load at line 132\r\r", 0),
            0u);
  EXPECT_EQ(ui.Failures()[1].rfind(
                "Overflow\r\nin Larkmere2021/08/31.Form1.Form_Load at line 136\r\r", 0),
            0u);
}

TEST(FailureTrap, ErrorNumbersGetTheRuntimeWording) {
  struct Case {
    int error;
    const char* text;
  } cases[] = {{ENOENT, "File not found"},
               {EACCES, "Permission denied"},
               {EEXIST, "File already exists"},
               {ENOSPC, "Disk full"}};
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeError(c.error), c.text);
    try {
      ThrowError(c.error);
      ADD_FAILURE() << "no throw";
    } catch (const Failure& f) {
      EXPECT_EQ(f.code(), c.error);
    }
  }
}
