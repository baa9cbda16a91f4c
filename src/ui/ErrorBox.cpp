#include "ui/ErrorBox.h"

#include <QMessageBox>
#include <QWidget>

namespace ErrorBox {

QString boxText(const QString& text) {
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) {
        return text + QLatin1Char('.');
    }
    return text;
}

QString textOf(const std::exception& error) {
    return QString::fromUtf8(error.what());
}

void show(const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Pictavo"), boxText(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

bool guard(const std::function<void()>& handler, QWidget* parent) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        show(textOf(e), parent);
    } catch (...) {
        show(QStringLiteral("Unknown error"), parent);
    }
    return false;
}

}  // namespace ErrorBox
