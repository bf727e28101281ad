#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <utility>

namespace quorvale {

// A failing step of the program: carries the description that the procedure
// error report shows, unchanged.
class Error : public std::exception {
public:
    explicit Error(QString description)
        : m_description(std::move(description)), m_utf8(m_description.toUtf8()) {}

    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

} // namespace quorvale
