#pragma once

#include "spreadsheet/xls/BiffWriter.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace ss::xls {

class ContinuedCursor;

// The shared string table of a workbook: every distinct cell text once, in
// order of first use, referred to by index from the LABELSST records.
class SharedStrings {
public:
    // Counts one use of text, adding it when new.
    void use(const QString& text);
    // The index of a text added before.
    std::uint32_t indexOf(const QString& text) const { return m_index.value(text); }
    std::size_t size() const { return m_strings.size(); }

    // The SST record with its CONTINUE records, then EXTSST.
    void write(BiffWriter& out) const;

private:
    struct Bucket {
        std::uint32_t streamPosition;
        std::uint16_t recordOffset;
    };
    void writeString(BiffWriter& out, const QString& text, std::size_t& recordStart) const;
    void writeExtSst(BiffWriter& out, std::uint16_t perBucket, const std::vector<Bucket>& buckets) const;
    std::uint16_t stringsPerBucket() const;

    std::vector<QString> m_strings;
    QHash<QString, std::uint32_t> m_index;
    std::uint32_t m_uses = 0;
};

// The strings of an SST record and its continuations.
std::vector<QString> readSharedStrings(ContinuedCursor& in);

} // namespace ss::xls
