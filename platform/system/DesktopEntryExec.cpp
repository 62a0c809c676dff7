#include "platform/system/DesktopEntryExec.h"

namespace platform {

namespace {

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringList localFiles(const QList<QUrl> &urls)
{
    QStringList files;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

QStringList urlTexts(const QList<QUrl> &urls)
{
    QStringList texts;
    for (const QUrl &url : urls)
        texts << url.toString(QUrl::FullyEncoded);
    return texts;
}

// What a code inside a longer argument stands for: one value, never a list.
QString inlineValue(QChar code, const QList<QUrl> &urls, const DesktopEntryExec::Context &context)
{
    switch (code.unicode()) {
    case 'f': return localFiles(urls).value(0);
    case 'u': return urlTexts(urls).value(0);
    case 'i': return context.icon;
    case 'c': return context.name;
    case 'k': return context.location;
    default: return {};
    }
}

} // namespace

std::optional<DesktopEntryExec> DesktopEntryExec::parse(const QString &exec)
{
    DesktopEntryExec result;
    Argument current;
    bool inArgument = false;
    bool quoted = false;
    const auto appendText = [&](QChar c) {
        if (current.isEmpty() || !current.last().code.isNull())
            current.append({QString(), QChar()});
        current.last().text += c;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        const bool hasNext = i + 1 < exec.size();
        if (!quoted && isSeparator(c)) {
            if (inArgument)
                result.m_arguments.append(current);
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted && c == u'\\' && hasNext) {
            appendText(exec.at(++i));
        } else if (c == u'%' && hasNext && exec.at(i + 1) == u'%') {
            appendText(c);
            ++i;
        } else if (!quoted && c == u'%' && hasNext) {
            const QChar code = exec.at(++i);
            current.append({QString(), code});
            result.m_singleUrl = result.m_singleUrl || code == u'f' || code == u'u';
        } else {
            appendText(c);
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        result.m_arguments.append(current);
    if (!result.m_arguments.isEmpty()) {
        const Argument &program = result.m_arguments.first();
        if (std::any_of(program.cbegin(), program.cend(), [](const Piece &p) { return !p.code.isNull(); }))
            return std::nullopt;
    }
    return result;
}

QString DesktopEntryExec::program() const
{
    return m_arguments.isEmpty() ? QString() : m_arguments.first().value(0).text;
}

QList<QStringList> DesktopEntryExec::commandLines(const QList<QUrl> &urls, const Context &context) const
{
    if (!m_singleUrl || urls.size() <= 1)
        return {expand(urls, context)};
    QList<QStringList> lines;
    for (const QUrl &url : urls)
        lines << expand({url}, context);
    return lines;
}

QStringList DesktopEntryExec::expand(const QList<QUrl> &urls, const Context &context) const
{
    QStringList out;
    for (const Argument &argument : m_arguments) {
        if (argument.size() == 1 && !argument.first().code.isNull()) {
            const QChar code = argument.first().code;
            switch (code.unicode()) {
            case 'F': out += localFiles(urls); break;
            case 'U': out += urlTexts(urls); break;
            case 'i':
                if (!context.icon.isEmpty())
                    out << QStringLiteral("--icon") << context.icon;
                break;
            default:
                if (const QString value = inlineValue(code, urls, context); !value.isEmpty())
                    out << value;
            }
            continue;
        }
        out << joined(argument, urls, context);
    }
    return out;
}

QString DesktopEntryExec::joined(const Argument &argument, const QList<QUrl> &urls, const Context &context)
{
    QString text;
    for (const Piece &piece : argument)
        text += piece.code.isNull() ? piece.text : inlineValue(piece.code, urls, context);
    return text;
}

} // namespace platform
