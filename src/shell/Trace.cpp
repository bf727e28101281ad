#include "shell/Trace.h"

#include "core/Error.h"
#include "shell/Main.h"
#include "shell/Services.h"

namespace shell {

namespace {

// The date of the product's release, which every report names after it.
constexpr char ReleaseDate[] = "2021/08/31";

} // namespace

QString procedurePath(const char* module, const char* procedure)
{
    return QStringLiteral("in %1%2.%3.%4 ")
        .arg(QLatin1String(Main::ProductName), QLatin1String(ReleaseDate), QLatin1String(module),
             QLatin1String(procedure));
}

QString procedureErrorText(const QString& description, const QString& path, int line)
{
    return description + QStringLiteral("\r\n") + path + QStringLiteral("at line ") + QString::number(line)
        + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ")
        + QLatin1String(SupportAddress);
}

void ProcedureErrorReport(const QString& description, const QString& path, int line)
{
    Services::current().showMessage(MessageRequest{procedureErrorText(description, path, line),
                                                   QStringLiteral("Application Error"),
                                                   MessageIcon::Exclamation, MessageButtons::Ok, {}});
}

QString describeCurrentException()
{
    try {
        throw;
    } catch (const quorvale::Error& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void Trace::reportCurrent()
{
    m_faulted = true;
    ProcedureErrorReport(describeCurrentException(), m_path, m_line);
}

} // namespace shell
