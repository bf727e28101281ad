#pragma once

#include <QString>

#include <utility>

namespace shell {

// The support address that every procedure error report names.
inline constexpr char SupportAddress[] = "support@tallowind.com";

// The text of the procedure error report: the description, "\r\n", the
// procedure path, "at line " and the number, two "\r", and the request to
// e-mail a screenshot.
QString procedureErrorText(const QString& description, const QString& path, int line);

// Shows the report (title "Application Error", warning icon, one OK button)
// and returns when the user has pressed OK.
void ProcedureErrorReport(const QString& description, const QString& path, int line);

// The description of the error being handled: the server's or the
// program's text for a quorvale::Error, what() for another exception.
QString describeCurrentException();

// Where a report says a fault happened: "in ", the product name, the
// product date and ".", the module, ".", the procedure and a space, e.g.
// "in Quorvale2021/08/31.Form1.PushButton6_Click ".
QString procedurePath(const char* module, const char* procedure);

// The error trap of a traced procedure. Each numbered step runs through
// line() or test(); a step that throws is reported with the procedure's path
// and the step's number, and the procedure carries on with its next step.
//
//     Trace t{"Form1", "PushButton6_Click"};
//     t.line(100, [&] { MsgBox(...); });
//     if (t.test(102, [&] { return list.count() == 0; })) { ... }
class Trace {
public:
    Trace(const char* module, const char* procedure) : m_path(procedurePath(module, procedure)) {}

    const QString& path() const { return m_path; }
    // Whether a step has failed and been reported.
    bool faulted() const { return m_faulted; }

    // A step; false when it failed and was reported.
    template <typename F>
    bool line(int number, F&& step)
    {
        m_line = number;
        try {
            std::forward<F>(step)();
            return true;
        } catch (...) {
            reportCurrent();
            return false;
        }
    }

    // An if-test: its result, or true when evaluating it failed, so the
    // block of a failing test runs.
    template <typename F>
    bool test(int number, F&& condition)
    {
        m_line = number;
        try {
            return static_cast<bool>(std::forward<F>(condition)());
        } catch (...) {
            reportCurrent();
            return true;
        }
    }

private:
    void reportCurrent();

    QString m_path;
    int m_line = 0;
    bool m_faulted = false;
};

} // namespace shell
