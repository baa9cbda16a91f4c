#include "app/PrintSizeBox.h"

#include <algorithm>

#include "crop/PrintSize.h"

namespace print = pictavo::print;

PrintSizeBox::PrintSizeBox(QWidget* parent) : QComboBox(parent) {
    addItem(QStringLiteral("None"));
    for (const print::PrintSize& size : print::printSizes()) {
        addItem(QString::fromUtf8(size.name.data(), static_cast<qsizetype>(size.name.size())));
    }
}

void PrintSizeBox::setText(const QString& text) {
    setCurrentIndex(std::max(findText(text, Qt::MatchExactly), 0));
}

const print::PrintSize* PrintSizeBox::size() const {
    return print::findPrintSize(currentText().toStdString());
}
