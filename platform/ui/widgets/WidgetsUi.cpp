#include "platform/ui/widgets/WidgetsUi.h"

#include "platform/ui/EventPump.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <map>

Q_LOGGING_CATEGORY(lcWidgetsUi, "platform.ui.widgets")

namespace win {
namespace {

QMessageBox::Icon IconOf(long icon) {
  switch (icon) {
    case MB_ICON_INFORMATION:
      return QMessageBox::Information;
    case MB_ICON_QUESTION:
      return QMessageBox::Question;
    case MB_ICON_ERROR:
      return QMessageBox::Critical;
    case MB_ICON_WARNING:
      return QMessageBox::Warning;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::ButtonRole RoleOf(long answer) {
  switch (answer) {
    case MB_ANSWER_OK:
    case MB_ANSWER_YES:
      return QMessageBox::AcceptRole;
    case MB_ANSWER_CANCEL:
    case MB_ANSWER_NO:
      return QMessageBox::RejectRole;
    default:
      return QMessageBox::ActionRole;
  }
}

int CountForms() {
  int count = 0;
  for (const QWidget* w : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = w->windowType();
    if (type == Qt::Window || type == Qt::Dialog) ++count;
  }
  return count;
}

}  // namespace

long QtMessageBox(const MessageBoxRequest& request) {
  const long closeAnswer = MessageBoxCloseAnswer(request.style);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    qCWarning(lcWidgetsUi).noquote() << "no application to show the message" << request.title << ":" << request.text
                                     << "- answered" << closeAnswer;
    return closeAnswer;
  }

  QMessageBox box;
  box.setWindowTitle(request.title);
  box.setText(request.text);
  box.setIcon(IconOf(request.icon));

  std::map<const QAbstractButton*, long> answers;
  const long enterAnswer = MessageBoxDefaultAnswer(request.style);
  for (const MessageBoxButton& b : MessageBoxButtons(request.style)) {
    QPushButton* button = box.addButton(b.caption, RoleOf(b.answer));
    answers[button] = b.answer;
    if (b.answer == enterAnswer) box.setDefaultButton(button);
    if (b.answer == closeAnswer) box.setEscapeButton(button);
  }
  box.exec();
  const auto it = answers.find(box.clickedButton());
  return it == answers.end() ? closeAnswer : it->second;
}

void InstallWidgetsUi() {
  SetMessageBoxHandler(QtMessageBox);
  vb::SetOpenFormsCounter([] { return qobject_cast<QApplication*>(QCoreApplication::instance()) ? CountForms() : 0; });
}

}  // namespace win
