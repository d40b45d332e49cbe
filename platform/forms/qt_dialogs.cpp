#include "platform/forms/qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

namespace orvo::forms {
namespace {

QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The platform puts the program's name into a title bar left empty; one blank
// keeps the bar looking as empty as the system's.
QString Title(std::string_view title) { return title.empty() ? QStringLiteral(" ") : Utf8(title); }

QMessageBox::Icon QtIcon(Icon icon) {
  switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton QtButton(Answer answer) {
  switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    case Answer::Retry: return QMessageBox::Retry;
  }
  return QMessageBox::Ok;
}

}  // namespace

Answer QtDialogs::MsgBox(std::string_view text, Buttons buttons, Icon icon,
                         std::string_view title) {
  QMessageBox box(QtIcon(icon), Title(title), Utf8(text), QtButtons(buttons), parent_.data());
  // The programs' texts are plain: a '<' in a file name must not turn into markup.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QtButton(FirstButton(buttons)));
  const int chosen = box.exec();
  for (Answer answer : {Answer::Ok, Answer::Cancel, Answer::Yes, Answer::No, Answer::Retry}) {
    if (Offers(buttons, answer) && chosen == QtButton(answer)) return answer;
  }
  return Dismissed(buttons);
}

std::optional<std::string> QtDialogs::InputBox(std::string_view prompt, std::string_view title,
                                               std::string_view defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent_.data(), Title(title), Utf8(prompt),
                                             QLineEdit::Normal, Utf8(defaultText), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<std::string> QtDialogs::OpenFile(std::string_view title, std::string_view filter,
                                               std::string_view startFolder) {
  const QString path = QFileDialog::getOpenFileName(parent_.data(), Title(title),
                                                    Utf8(startFolder), QtFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

QString QtDialogs::QtFilter(std::string_view filter) {
  const QString text = Utf8(filter);
  if (!text.contains(u'|')) return text;
  const QStringList parts = text.split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    // Qt reads the patterns from the entry's last parentheses, blank-separated;
    // the system separated them with ';'.
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    const QString own = QStringLiteral(" (") + patterns.trimmed() + u')';
    entries << (parts[i].endsWith(own.mid(1)) ? parts[i] : parts[i] + own);
  }
  return entries.join(QStringLiteral(";;"));
}

}  // namespace orvo::forms
