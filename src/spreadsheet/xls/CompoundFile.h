#pragma once

// The OLE2 compound document that holds an Excel 97-2003 workbook stream.
// Kept free of Qt so that the GLib headers behind it never meet Qt's keywords.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ss::xls {

using Bytes = std::vector<std::uint8_t>;

// A compound document that could not be made or read; what() says why.
class CompoundFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a compound document holding one stream named streamName.
Bytes writeCompoundFile(const std::string& streamName, const Bytes& stream);

// The stream streamName of the compound document in file, its name matched
// in either case. Throws CompoundFileError when file is no compound document
// or lacks the stream.
Bytes readCompoundStream(const Bytes& file, const std::string& streamName);

// Whether the compound document in file has a stream of that name, in
// either case; false for anything that is no compound document.
bool hasCompoundStream(const Bytes& file, const std::string& streamName);

} // namespace ss::xls
