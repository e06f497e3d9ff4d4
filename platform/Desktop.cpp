#include "Desktop.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>

namespace quorva::platform {

std::string ClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void SetClipboardText(const std::string& text) {
    // Replacing the text drops whatever else the clipboard held.
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string ProgramFolder() {
    return QCoreApplication::applicationDirPath().toStdString();
}

char SeparatorOf(const QString& decimalPoint) {
    return decimalPoint == QLatin1String(",") ? ',' : '.';
}

char LocaleDecimalSeparator() {
    return SeparatorOf(QLocale::system().decimalPoint());
}

}  // namespace quorva::platform
