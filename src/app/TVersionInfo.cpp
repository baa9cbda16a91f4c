#include "app/TVersionInfo.h"

#include <QFile>

#include "app/ElfSection.h"
#include "app/FileByteSource.h"
#include "app/VersionRecord.h"

using namespace pictavo;

TVersionInfo::TVersionInfo(const QString& fileName) : m_fileName(fileName) {
    const FileByteSource file(QFile::encodeName(fileName).toStdString());
    const auto section = ReadElfSection(file, VersionRecord::kSectionName, VersionRecord::kMaxSize);
    if (!section) {
        return;
    }
    // A record that is cut short or whose blocks do not nest reads as none.
    m_size = VersionRecord::RecordSize(*section);
    if (m_size == 0) {
        return;
    }
    m_buffer.assign(section->begin(), section->begin() + m_size);
    m_bValid = true;
}

QString TVersionInfo::FileVersionText() const {
    const std::u16string text = VersionRecord::FileVersionText(m_buffer, m_bValid);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
