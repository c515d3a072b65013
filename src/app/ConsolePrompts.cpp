#include "app/ConsolePrompts.h"

#include <cstdio>

ConsolePrompts::ConsolePrompts() : m_err(stderr) {}

void ConsolePrompts::say(const QString& text)
{
    ++m_messages;
    m_err << text << Qt::endl;
}

void ConsolePrompts::info(const QString& text)
{
    say(text);
}

void ConsolePrompts::error(const QString& text)
{
    say(text);
}

void ConsolePrompts::errorWindow(const QString& first, const QString& second, const QString&)
{
    say(first + QStringLiteral(": ") + second);
}

bool ConsolePrompts::confirm(const QString&)
{
    return false;
}

UserPrompts::Answer ConsolePrompts::askSave(const QString&)
{
    return Answer::No;
}

std::optional<QString> ConsolePrompts::askName(const QString&)
{
    return std::nullopt;
}

QString ConsolePrompts::openFile(const QString&, const QString&, const QString&)
{
    return QString();
}

QString ConsolePrompts::saveFile(const QString&, const QString&, const QString&)
{
    return QString();
}

bool ConsolePrompts::openUrl(const QString&)
{
    return false;
}
