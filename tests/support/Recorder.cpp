#include "support/Recorder.h"

namespace automation {

namespace {

QString describeArgs(const std::vector<RecordedArg>& args)
{
    QStringList parts;
    for (const RecordedArg& a : args) {
        QString s = a.value.describe();
        if (a.byRef)
            s.prepend(QStringLiteral("ByRef "));
        if (!a.name.isEmpty())
            s = a.name + QStringLiteral(":=") + s;
        parts << s;
    }
    return parts.join(QStringLiteral(", "));
}

class RecordingDispatch final : public Dispatch {
public:
    RecordingDispatch(std::shared_ptr<Dispatch> target, QString path, std::weak_ptr<Recorder> recorder)
        : m_target(std::move(target)), m_path(std::move(path)), m_recorder(std::move(recorder))
    {}

    QString className() const override { return m_target->className(); }

    Variant invoke(const Call& call) override
    {
        RecordedCall rec;
        rec.receiver = m_path;
        rec.member = QString::fromLatin1(call.member.data(), qsizetype(call.member.size()));
        rec.kind = call.kind;
        for (const Arg& a : call.args)
            rec.args.push_back(RecordedArg{a.value, QString::fromLatin1(a.name.data(), qsizetype(a.name.size())), a.byRef});
        if (call.value)
            rec.value = *call.value;

        auto recorder = m_recorder.lock();
        Variant result;
        try {
            result = m_target->invoke(call);
        } catch (...) {
            rec.failed = true;
            if (recorder)
                recorder->add(std::move(rec));
            throw;
        }
        if (call.kind == CallKind::Get && recorder && recorder->showResults())
            rec.value = result;
        const QString childPath = m_path + QLatin1Char('.') + rec.member
            + (rec.args.empty() ? QString() : QLatin1Char('(') + describeArgs(rec.args) + QLatin1Char(')'));
        if (recorder)
            recorder->add(std::move(rec));

        if (result.isObject() && recorder) {
            Object o = result.toObject();
            if (!o.isNothing())
                return Variant(recorder->wrap(o, childPath));
        }
        return result;
    }

private:
    std::shared_ptr<Dispatch> m_target;
    QString m_path;
    std::weak_ptr<Recorder> m_recorder;
};

} // namespace

QString RecordedCall::line() const
{
    QString s = kindName(kind) + QLatin1Char(' ') + receiver + QLatin1Char('.') + member;
    if (!args.empty())
        s += QLatin1Char('(') + describeArgs(args) + QLatin1Char(')');
    else if (kind == CallKind::Method)
        s += QStringLiteral("()");
    if (kind == CallKind::Put && value)
        s += QStringLiteral(" = ") + value->describe();
    else if (kind == CallKind::Get && value)
        s += QStringLiteral(" -> ") + value->describe();
    if (failed)
        s += QStringLiteral(" -> error");
    return s;
}

Object Recorder::wrap(const Object& target, const QString& path)
{
    if (target.isNothing())
        return target;
    return Object(std::make_shared<RecordingDispatch>(target.dispatch(), path, weak_from_this()));
}

QStringList Recorder::transcript() const
{
    QStringList lines;
    lines.reserve(qsizetype(m_calls.size()));
    for (const RecordedCall& c : m_calls)
        lines << c.line();
    return lines;
}

} // namespace automation
