#include "engines/EngineChecker.h"

#include "engines/TEngBuild.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const QString LineBreak = QStringLiteral("\r\n");

QString nulMessage(const QString& path)
{
    return QStringLiteral("The script file %1 holds a NUL byte, and Zentrel reads a script only up to that "
                          "byte, so saving it here would cut it short. It was not saved; change it with a "
                          "text editor.")
        .arg(path);
}

QString nulFilesMessage(const QString& from, const QStringList& paths)
{
    return QStringLiteral("These scripts hold \"%1\" but also a NUL byte, and Zentrel reads a script only up to "
                          "that byte, so they were left as they are; change them with a text editor:\n%2")
        .arg(from, paths.join(u'\n'));
}

QString endlessInFileMessage(const QString& from, const QString& to, const QString& path)
{
    return QStringLiteral("Replacing \"%1\" by \"%2\" in %3 never comes to an end: every change makes a new "
                          "\"%1\". The mass change stopped there; the scripts changed before it stay changed.")
        .arg(from, to, path);
}

// True when every CR and LF before `end` is part of a CR LF pair.
bool onlyCrLf(const char* data, qsizetype end)
{
    const char* const stop = data + end;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\n', size_t(stop - p)))); ++p)
        if (p == data || p[-1] != '\r')
            return false;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\r', size_t(stop - p)))); ++p)
        if (p + 1 == stop || p[1] != '\n')
            return false;
    return true;
}

} // namespace

// The window's controls are locked, its panel shown and the cursor busy while this lives.
class EngineChecker::Working {
public:
    explicit Working(EngineChecker& checker) : m_checker(checker), m_busy(checker.m_prompts)
    {
        if (m_checker.m_display)
            m_checker.m_display(true);
    }
    ~Working()
    {
        if (m_checker.m_display)
            m_checker.m_display(false);
    }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

private:
    EngineChecker& m_checker;
    BusyCursor m_busy;
};

QString CheckFinding::rowText() const
{
    const QChar separator(0xB1);
    return site + separator + QStringLiteral("Error! -> [") + errorText + u']' + separator + path;
}

EngineChecker::EngineChecker(TEngBuild& engine, UserPrompts& prompts) : m_engine(engine), m_prompts(prompts)
{
}

QString EngineChecker::scriptText(const QStringList& lines)
{
    return lines.join(LineBreak);
}

QString EngineChecker::scriptText(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype end = bytes.indexOf('\0');
    if (end < 0)
        end = bytes.size();
    // The last line's break joins nothing.
    if (end > 0 && data[end - 1] == '\n')
        end -= (end > 1 && data[end - 2] == '\r') ? 2 : 1;
    else if (end > 0 && data[end - 1] == '\r')
        --end;
    // Scripts are written with CR LF, so mostly the bytes are the text as they stand.
    if (onlyCrLf(data, end))
        return QString::fromLatin1(data, end);
    QString text;
    text.reserve(end + end / 16);
    qsizetype start = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            text += QLatin1String(data + start, i - start);
            text += LineBreak;
            if (c == '\r' && i + 1 < end && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    text += QLatin1String(data + start, end - start);
    return text;
}

QStringList EngineChecker::editorLines(const QString& text)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    // A final line break ends a last, empty line, so a loaded script saves back byte for byte.
    lines.append(text.mid(start));
    return lines;
}

void EngineChecker::check()
{
    // One reading of the clock serves the whole check: no clock value makes a script fail.
    ClockValues::Hold clock(m_engine.clockValues());
    forEachScript([this](const QString& site, const QString& path, const QByteArray& bytes) {
        m_engine.Expand(scriptText(bytes), ExpandMode::Check);
        if (m_engine.ExpandError())
            m_findings.append({site, m_engine.ExpandErrorText(), path});
    });
}

void EngineChecker::forEachScript(
    const std::function<void(const QString& site, const QString& path, const QByteArray& bytes)>& visit) const
{
    const QStringList sites = m_engine.catalogue().combined();
    for (const QString& site : sites) {
        for (int s = 0; s < SiteScriptCount; ++s) {
            const QString path = m_engine.scriptFile(site, SiteScript(s));
            if (const auto bytes = FileStore::readIfExists(path, FileLimits::CategoryList))
                visit(site, path, *bytes);
        }
    }
}

void EngineChecker::forgetLoaded()
{
    m_fileName.clear();
    m_script.clear();
    m_loadedRow = -1;
}

bool EngineChecker::beginChecking()
{
    Working working(*this);
    m_findings.clear();
    forgetLoaded();
    try {
        check();
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
        return false;
    }
    if (!m_findings.isEmpty())
        return loadFinding(0);
    m_prompts.info(QStringLiteral("No Errors found! :)"));
    return true;
}

bool EngineChecker::loadFinding(int row)
{
    if (row < 0 || row >= m_findings.size())
        return false;
    forgetLoaded();
    const QString path = m_findings[row].path;
    try {
        const auto bytes = FileStore::readIfExists(path, FileLimits::CategoryList);
        if (!bytes)
            throw ZentrelError(QStringLiteral("Cannot open file %1").arg(path));
        m_script = scriptText(*bytes);
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
        return false;
    }
    m_fileName = path;
    m_loadedRow = row;
    return true;
}

bool EngineChecker::saveScript(const QString& editorText)
{
    if (m_fileName.isEmpty())
        return false;
    try {
        const auto bytes = FileStore::readIfExists(m_fileName, FileLimits::CategoryList);
        if (bytes && bytes->contains('\0')) {
            m_prompts.error(nulMessage(m_fileName));
            return false;
        }
        ListFile::save(m_fileName, editorLines(editorText));
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
        return false;
    }
    return true;
}

bool EngineChecker::acceptable(const QString& from, const QString& to)
{
    return !from.isEmpty() && from != to;
}

std::optional<QString> EngineChecker::endlessChangeMessage(const QString& from, const QString& to)
{
    if (!acceptable(from, to) || !to.contains(from))
        return std::nullopt;
    return QStringLiteral("\"%2\" holds \"%1\" itself, so replacing \"%1\" by \"%2\" would never come to an end. "
                          "Nothing was changed; choose a text to change that \"%2\" does not hold.")
        .arg(from, to);
}

bool EngineChecker::massChange(const QString& from, const QString& to)
{
    if (!acceptable(from, to))
        return false;
    if (const auto refused = endlessChangeMessage(from, to)) {
        m_prompts.error(*refused);
        return false;
    }
    m_from = from;
    m_to = to;
    QStringList leftAlone;
    {
        Working working(*this);
        forgetLoaded();
        try {
            forEachScript([&](const QString&, const QString& path, const QByteArray& bytes) {
                // The list reader stops at a NUL byte: writing back what it read would cut the file short.
                if (bytes.contains('\0')) {
                    if (QString::fromLatin1(bytes).contains(from))
                        leftAlone << path;
                    return;
                }
                const Replacement changed = replaceAll(scriptText(bytes), from, to);
                if (changed.endless)
                    throw ZentrelError(endlessInFileMessage(from, to, path));
                if (changed.count > 0)
                    ListFile::save(path, editorLines(changed.text));
            });
        } catch (const ZentrelError& e) {
            m_prompts.error(e.text());
            return false;
        }
    }
    if (!leftAlone.isEmpty())
        m_prompts.error(nulFilesMessage(from, leftAlone));
    m_prompts.info(QStringLiteral("Mass Change Done!"));
    beginChecking();
    return true;
}

Replacement EngineChecker::replaceAll(const QString& text, const QString& from, const QString& to)
{
    Replacement result;
    result.text = text;
    const qsizetype first = from.isEmpty() ? -1 : text.indexOf(from);
    if (first < 0)
        return result;

    // The text is rebuilt in `out`, which never holds `from`: every character
    // taken is appended, and when `out` then ends with `from` that occurrence is
    // the first one of the whole text, since occurrences of one length end in the
    // order they start. It is dropped and `to` is taken next, ahead of the rest,
    // so an occurrence reaching back into `out` or running on past `to` is found
    // as a fresh search from the start would find it.
    const qsizetype n = from.size();
    const QChar last = from.back();
    // A change that keeps making new occurrences grows the text without end, or
    // (same lengths) goes round in circles; both are stopped.
    const qsizetype sizeLimit = std::max(text.size(), qsizetype(FileLimits::CategoryList));
    const qsizetype stepLimit = text.size() + sizeLimit;
    QString out = text.left(first);
    out.reserve(text.size() + std::max<qsizetype>(0, to.size() - n) * 16);
    std::vector<qsizetype> pending; // read positions in copies of `to` still to be taken, innermost last
    qsizetype in = first;
    qsizetype size = text.size();
    for (;;) {
        QChar c;
        if (!pending.empty()) {
            c = to[pending.back()];
            if (++pending.back() == to.size())
                pending.pop_back();
        } else if (in < text.size()) {
            c = text[in++];
        } else {
            break;
        }
        out += c;
        if (c != last || out.size() < n || !QStringView(out).endsWith(from))
            continue;
        out.chop(n);
        size += to.size() - n;
        if (++result.count > stepLimit || size > sizeLimit) {
            result.count = 0;
            result.endless = true;
            return result;
        }
        if (!to.isEmpty())
            pending.push_back(0);
    }
    result.text = std::move(out);
    return result;
}
