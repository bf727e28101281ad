#include "spreadsheet/xls/CompoundFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <memory>

namespace ss::xls {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

// The class identifier Excel gives the root of its workbooks.
constexpr std::uint8_t ExcelClassId[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void initialiseOnce()
{
    static const bool done = [] {
        gsf_init();
        return true;
    }();
    (void)done;
}

std::string describe(GError* error, const char* fallback)
{
    std::unique_ptr<GError, GErrorFree> owned(error);
    return owned && owned->message ? std::string(owned->message) : std::string(fallback);
}

void check(gboolean ok, const char* what)
{
    if (!ok)
        throw CompoundFileError(what);
}

GPtr<GsfInfile> openDocument(const Bytes& file)
{
    initialiseOnce();
    GPtr<GsfInput> input(gsf_input_memory_new(file.data(), gsf_off_t(file.size()), FALSE));
    GError* error = nullptr;
    GPtr<GsfInfile> document(gsf_infile_msole_new(input.get(), &error));
    if (!document)
        throw CompoundFileError("not a compound document (" + describe(error, "unreadable header") + ")");
    return document;
}

} // namespace

Bytes writeCompoundFile(const std::string& streamName, const Bytes& stream)
{
    initialiseOnce();
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    GPtr<GsfOutfile> document(gsf_outfile_msole_new(sink.get()));
    check(document != nullptr, "cannot start a compound document");
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(document.get()), ExcelClassId);

    GPtr<GsfOutput> child(gsf_outfile_new_child(document.get(), streamName.c_str(), FALSE));
    check(child != nullptr, "cannot add the workbook stream");
    check(gsf_output_write(child.get(), stream.size(), stream.data()), "cannot write the workbook stream");
    check(gsf_output_close(child.get()), "cannot finish the workbook stream");
    check(gsf_output_close(GSF_OUTPUT(document.get())), "cannot finish the compound document");

    auto* memory = GSF_OUTPUT_MEMORY(sink.get());
    const guint8* bytes = gsf_output_memory_get_bytes(memory);
    const gsf_off_t size = gsf_output_size(sink.get());
    return Bytes(bytes, bytes + size);
}

Bytes readCompoundStream(const Bytes& file, const std::string& streamName)
{
    const GPtr<GsfInfile> document = openDocument(file);
    GPtr<GsfInput> child(gsf_infile_child_by_name(document.get(), streamName.c_str()));
    if (!child)
        throw CompoundFileError("the compound document has no " + streamName + " stream");
    const gsf_off_t size = gsf_input_size(child.get());
    // A stream cannot hold more than the document it lives in.
    if (size < 0 || std::uint64_t(size) > file.size())
        throw CompoundFileError("the " + streamName + " stream claims more bytes than the file holds");
    Bytes stream(static_cast<std::size_t>(size));
    if (size > 0 && !gsf_input_read(child.get(), size_t(size), stream.data()))
        throw CompoundFileError("the " + streamName + " stream is cut short");
    return stream;
}

bool hasCompoundStream(const Bytes& file, const std::string& streamName)
{
    try {
        const GPtr<GsfInfile> document = openDocument(file);
        GPtr<GsfInput> child(gsf_infile_child_by_name(document.get(), streamName.c_str()));
        return child != nullptr;
    } catch (const CompoundFileError&) {
        return false;
    }
}

} // namespace ss::xls
