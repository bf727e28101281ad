#pragma once

#include "automation/Object.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace automation {

struct RecordedArg {
    Variant value;
    QString name; // empty for a positional argument
    bool byRef = false;
};

// One call as it reached a recorded object.
struct RecordedCall {
    QString receiver; // path of the object called, e.g. Application.Selection.Font
    QString member;   // as the caller spelt it
    CallKind kind;
    std::vector<RecordedArg> args;
    std::optional<Variant> value; // the value of a property put
    bool failed = false;

    // One transcript line, for example
    //   put Application.Selection.Font.Size = Integer 10
    //   call Application.Columns(String "A:A").Select()
    //   get Application.Sheets.count -> Long 3
    // A call that raised an error ends in " -> error".
    QString line() const;
};

// Records every call made on a wrapped object and on every object reached
// through it, so tests can compare a procedure's calls, with their order,
// values and types, against a transcript.
class Recorder : public std::enable_shared_from_this<Recorder> {
public:
    static std::shared_ptr<Recorder> create() { return std::shared_ptr<Recorder>(new Recorder); }

    // A reference that forwards to target and records under the given path.
    Object wrap(const Object& target, const QString& path);

    const std::vector<RecordedCall>& calls() const { return m_calls; }
    QStringList transcript() const;
    void clear() { m_calls.clear(); }

    // Whether results of property gets are shown in transcript lines.
    void setShowResults(bool show) { m_showResults = show; }
    bool showResults() const { return m_showResults; }

    void add(RecordedCall call) { m_calls.push_back(std::move(call)); }

private:
    Recorder() = default;
    std::vector<RecordedCall> m_calls;
    bool m_showResults = false;
};

} // namespace automation
