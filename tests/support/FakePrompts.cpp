#include "FakePrompts.h"

void FakePrompts::beep() { shown << QStringLiteral("beep"); }
void FakePrompts::info(const QString& text) { shown << QStringLiteral("info: ") + text; }
void FakePrompts::error(const QString& text) { shown << QStringLiteral("error: ") + text; }

void FakePrompts::errorWindow(const QString& first, const QString& second, const QString& instruction)
{
    shown << QStringLiteral("errorWindow: %1 | %2 | %3").arg(first, second, instruction);
}

bool FakePrompts::confirm(const QString& text)
{
    shown << QStringLiteral("confirm: ") + text;
    if (confirmAnswers.empty())
        return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

UserPrompts::Answer FakePrompts::askSave(const QString& text)
{
    shown << QStringLiteral("askSave: ") + text;
    if (saveAnswers.empty())
        return Answer::Cancel;
    const Answer answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

std::optional<QString> FakePrompts::askName(const QString& title)
{
    shown << QStringLiteral("askName: ") + title;
    if (names.empty())
        return std::nullopt;
    const bool given = names.front().has_value();
    const QString name = given ? *names.front() : QString();
    names.pop_front();
    if (!given)
        return std::nullopt;
    return name;
}

QString FakePrompts::saveFile(const QString& title, const QString&, const QString&)
{
    shown << QStringLiteral("saveFile: ") + title;
    if (saveFiles.empty())
        return {};
    QString answer = saveFiles.front();
    saveFiles.pop_front();
    return answer;
}

QString FakePrompts::openFile(const QString& title, const QString&, const QString&)
{
    shown << QStringLiteral("openFile: ") + title;
    if (files.empty())
        return {};
    QString answer = files.front();
    files.pop_front();
    return answer;
}

bool FakePrompts::openUrl(const QString& url)
{
    shown << QStringLiteral("openUrl: ") + url;
    return openUrlResult;
}

void FakePrompts::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
}

QStringList FakePrompts::messages() const
{
    QStringList result;
    for (const QString& line : shown)
        if (line != u"beep")
            result << line;
    return result;
}
