#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The version record of one file. The record is the section of an ELF
// executable that our build fills; any other file has none.
class TVersionInfo {
public:
    explicit TVersionInfo(const QString& fileName);
    virtual ~TVersionInfo() = default;

    // The file's version text, or an empty text when the file has no sound
    // record.
    QString FileVersionText() const;

private:
    QString m_fileName;
    bool m_bValid = false;
    std::uint32_t m_size = 0;
    // Kept for the shape of the platform's call; nothing here needs it.
    std::uint32_t m_handle = 0;
    std::vector<std::uint8_t> m_buffer;
};
