#include "platform/ui/MessageBoxService.h"
#include "platform/ui/RecordingMessageBox.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxStyles, ButtonsEnterAndCloseAnswersFollowTheBox) {
  const struct {
    long style;
    std::vector<long> answers;
    QStringList captions;
    long enter;
    long close;
  } rows[] = {
      {win::MB_STYLE_OK, {0}, {"&OK"}, 0, 0},
      {win::MB_STYLE_OK_CANCEL, {0, 2}, {"&OK", "&Cancel"}, 2, 2},
      {win::MB_STYLE_YES_NO, {6, 7}, {"&Yes", "&No"}, 6, 7},
      {win::MB_STYLE_OK_CANCEL_RETRY, {0, 2, 4}, {"&Ok", "&Cancel", "&Retry"}, 0, 2},
      {win::MB_STYLE_OK_CANCEL_IGNORE, {0, 2, 5}, {"&Ok", "&Cancel", "&Ignore"}, 0, 2},
      {9, {}, {}, 0, 0},
  };
  for (const auto& row : rows) {
    std::vector<long> answers;
    QStringList captions;
    for (const auto& b : win::MessageBoxButtons(row.style)) {
      answers.push_back(b.answer);
      captions << b.caption;
    }
    EXPECT_EQ(answers, row.answers) << row.style;
    EXPECT_EQ(captions, row.captions) << row.style;
    EXPECT_EQ(win::MessageBoxDefaultAnswer(row.style), row.enter) << row.style;
    EXPECT_EQ(win::MessageBoxCloseAnswer(row.style), row.close) << row.style;
  }
}

TEST(MessageBoxService, WithNoHandlerAQuestionIsNeverAnsweredYes) {
  EXPECT_EQ(win::MessageBox("Exit now?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "Title"), win::MB_ANSWER_NO);
  EXPECT_EQ(win::MessageBox("Go on?", win::MB_ICON_QUESTION, win::MB_STYLE_OK_CANCEL, "Title"),
            win::MB_ANSWER_CANCEL);
  EXPECT_EQ(win::MessageBox("Done.", win::MB_ICON_INFORMATION, win::MB_STYLE_OK, "Title"), win::MB_ANSWER_OK);
}

TEST(MessageBoxService, TheRecordingBoxSeesEachBoxAndAnswersFromItsScript) {
  {
    win::RecordingMessageBox box;
    box.Answer(win::MB_ANSWER_YES);
    EXPECT_EQ(win::MessageBox("Delete the item?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "Orvane"), 6);
    EXPECT_EQ(win::MessageBox("Unable to delete /x", win::MB_ICON_WARNING, win::MB_STYLE_OK, "Engine"), 0);
    EXPECT_EQ(win::MessageBox("Again?", win::MB_ICON_QUESTION, win::MB_STYLE_YES_NO, "Orvane"), 7);  // script empty

    ASSERT_EQ(box.Shown().size(), 3u);
    EXPECT_EQ(box.Shown()[0].text, "Delete the item?");
    EXPECT_EQ(box.Shown()[0].icon, win::MB_ICON_QUESTION);
    EXPECT_EQ(box.Shown()[0].style, win::MB_STYLE_YES_NO);
    EXPECT_EQ(box.Shown()[0].title, "Orvane");
    EXPECT_EQ(box.Shown()[1].icon, win::MB_ICON_WARNING);

    // A handler installed inside the recorder's life wins until it goes.
    {
      win::ScopedMessageBoxHandler inner([](const win::MessageBoxRequest&) { return win::MB_ANSWER_RETRY; });
      EXPECT_EQ(win::MessageBox("x", 0, 3, "t"), win::MB_ANSWER_RETRY);
    }
    box.Answer(win::MB_ANSWER_IGNORE);
    EXPECT_EQ(win::MessageBox("y", 0, 4, "t"), win::MB_ANSWER_IGNORE);
    EXPECT_EQ(box.Shown().size(), 4u);
  }
  // The recorder has gone: back to no handler.
  EXPECT_EQ(win::MessageBox("z", 1, win::MB_STYLE_YES_NO, "t"), win::MB_ANSWER_NO);
}

}  // namespace
