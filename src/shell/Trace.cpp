#include "shell/Trace.h"

#include "core/Error.h"
#include "shell/Services.h"

namespace shell {

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
                                                   MessageIcon::Exclamation, MessageButtons::Ok});
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
    ProcedureErrorReport(describeCurrentException(), m_path, m_line);
}

} // namespace shell
