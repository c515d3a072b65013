#include "EngineFixture.h"

#include "engines/EngineChecker.h"
#include "records/ListFile.h"

#include <QDir>
#include <QRandomGenerator>

#include <functional>

namespace {

QByteArray b(const char* bytes) { return QByteArray(bytes); }

} // namespace

class EngineCheckerTest : public EngineFixture {
protected:
    std::unique_ptr<EngineChecker> checker;
    QList<bool> display; // what the window was told: working, then done

    void SetUp() override
    {
        start();
        ws.write(s("sites/Sites.dat"), "Beta\r\nAlpha\r\n");
        ws.write(s("sites/User_Sites.dat"), "Gamma\r\n");
        engine->LoadCatalogue();
        checker = std::make_unique<EngineChecker>(*engine, prompts);
        checker->setWorkingDisplay([this](bool working) { display << working; });
    }

    QString path(const char* site, SiteScript script) const { return engine->scriptFile(s(site), script); }
    void script(const char* site, SiteScript script, const QByteArray& bytes)
    {
        QFile file(path(site, script));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const char* site, SiteScript script) const
    {
        QFile file(path(site, script));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList rows() const
    {
        QStringList texts;
        for (const CheckFinding& f : checker->findings())
            texts << f.rowText();
        return texts;
    }
    QString row(const char* site, const char* error, SiteScript kind) const
    {
        return s(site) + QChar(0xB1) + s("Error! -> [") + s(error) + s("]") + QChar(0xB1) + path(site, kind);
    }
};

TEST_F(EngineCheckerTest, ACleanCatalogueEndsWithNoErrorsFound)
{
    script("Alpha", SiteScript::HttpNew, b("name=%APPNAME%&ver=%APPVERSION%"));
    script("Beta", SiteScript::EmailUpdate, b("Sent on %CURDATE% at %CURTIME%\r\n100%\r\n"));
    script("Gamma", SiteScript::FtpNew, b(""));
    EXPECT_TRUE(checker->beginChecking());
    EXPECT_TRUE(checker->findings().isEmpty());
    EXPECT_EQ(prompts.messages(), QStringList{s("info: No Errors found! :)")});
    EXPECT_TRUE(checker->fileName().isEmpty());
    EXPECT_EQ(display, (QList<bool>{true, false}));
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(EngineCheckerTest, FailingScriptsAreListedInCatalogueThenScriptOrderAndTheFirstIsLoaded)
{
    script("Gamma", SiteScript::HttpUpdate, b("cat=%SITECAT1%\r\n"));
    script("Alpha", SiteScript::EmailUpdate, b("We are 100% sure\r\n"));
    script("Alpha", SiteScript::HttpNew, b("a=%APPNAMES%\r\nb=2\r\n"));
    script("Beta", SiteScript::FtpNew, b("%APPNAME%.zip\r\n"));
    // The current site has no primary categories, so %SITECAT1% cannot be checked.
    ASSERT_TRUE(engine->site().primaryCategories.isEmpty());

    EXPECT_TRUE(checker->beginChecking());
    EXPECT_EQ(rows(), (QStringList{row("Alpha", "APPNAMES", SiteScript::HttpNew),
                                   row("Alpha", "", SiteScript::EmailUpdate),
                                   row("Gamma", "%UNKNOWN%", SiteScript::HttpUpdate)}));
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(checker->loadedRow(), 0);
    EXPECT_EQ(checker->fileName(), path("Alpha", SiteScript::HttpNew));
    EXPECT_EQ(checker->script(), s("a=%APPNAMES%\r\nb=2"));

    // Categories come from the site current in the builder, whichever site's file is checked.
    engine->site().primaryCategories = {s("10\">Games")};
    checker->beginChecking();
    EXPECT_EQ(checker->findings().size(), 2);
    EXPECT_EQ(checker->findings().last().site, s("Alpha"));

    ASSERT_TRUE(checker->loadFinding(1));
    EXPECT_EQ(checker->script(), s("We are 100% sure"));
    EXPECT_FALSE(checker->loadFinding(2));
}

TEST_F(EngineCheckerTest, RowsLeadBackToTheirOwnFileWhateverTheFailingNameHolds)
{
    // Split at "\xB1", this row's third column would name Beta's script.
    const QByteArray target = path("Beta", SiteScript::HttpNew).toLatin1();
    script("Alpha", SiteScript::HttpNew, "x=%A\xB1" + target + "\xB1%\r\n");
    script("Beta", SiteScript::HttpNew, b("untouched=1\r\n"));
    checker->beginChecking();
    ASSERT_EQ(checker->findings().size(), 1);
    const CheckFinding& found = checker->findings().first();
    EXPECT_EQ(found.site, s("Alpha"));
    EXPECT_EQ(found.errorText, s("A\xB1") + QString::fromLatin1(target) + QChar(0xB1));
    EXPECT_EQ(found.path, path("Alpha", SiteScript::HttpNew));
    EXPECT_EQ(checker->fileName(), found.path);
    ASSERT_TRUE(checker->saveScript(s("x=%APPNAME%")));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), b("x=%APPNAME%\r\n"));
    EXPECT_EQ(read("Beta", SiteScript::HttpNew), b("untouched=1\r\n"));
}

TEST_F(EngineCheckerTest, SaveScriptWritesTheEditorsLinesAndNeverCutsAFileShort)
{
    script("Alpha", SiteScript::HttpNew, b("one\ntwo %BAD%\n\nlast"));
    script("Beta", SiteScript::EmailNew, QByteArray("x=%BAD%\r\n\0tail %BAD%\r\n", 23));
    EXPECT_FALSE(checker->saveScript(s("nothing loaded"))) << "no file name, nothing written";

    checker->beginChecking();
    ASSERT_EQ(checker->findings().size(), 2);
    EXPECT_EQ(checker->script(), s("one\r\ntwo %BAD%\r\n\r\nlast"));
    // Saved as loaded, a script keeps its lines; only the line ends become CR LF.
    ASSERT_TRUE(checker->saveScript(checker->script()));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), b("one\r\ntwo %BAD%\r\n\r\nlast\r\n"));
    ASSERT_TRUE(checker->saveScript(s("one\ntwo %APPNAME%\n")));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), b("one\r\ntwo %APPNAME%\r\n\r\n"));
    EXPECT_TRUE(prompts.messages().isEmpty());

    // Only the part before the NUL byte was read: saving it would lose the rest.
    ASSERT_TRUE(checker->loadFinding(1));
    EXPECT_EQ(checker->script(), s("x=%BAD%"));
    EXPECT_FALSE(checker->saveScript(s("x=%APPNAME%")));
    EXPECT_EQ(read("Beta", SiteScript::EmailNew), QByteArray("x=%BAD%\r\n\0tail %BAD%\r\n", 23));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages().first().startsWith(s("error: The script file ") + path("Beta", SiteScript::EmailNew)));

    // A script gone since the check is not loaded, so "Save Script" cannot bring back an empty one.
    prompts.shown.clear();
    QFile::remove(path("Alpha", SiteScript::HttpNew));
    EXPECT_FALSE(checker->loadFinding(0));
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Cannot open file ") + path("Alpha", SiteScript::HttpNew)});
    EXPECT_TRUE(checker->fileName().isEmpty());
    EXPECT_FALSE(checker->saveScript(s("anything")));
    EXPECT_FALSE(QFile::exists(path("Alpha", SiteScript::HttpNew)));
}

TEST_F(EngineCheckerTest, MassChangeRewritesOnlyTheFilesHoldingTheFromTextThenChecksAgain)
{
    script("Alpha", SiteScript::HttpNew, b("to=%CONTEMAIL%&cc=%CONTEMAIL%\r\nx=1\r\n"));
    script("Beta", SiteScript::EmailNew, b("From %APPNAME%\nno address here\n"));
    script("Gamma", SiteScript::FtpNew, b("%CONTEMAIL% %BAD%"));
    ASSERT_TRUE(checker->massChange(s("%CONTEMAIL%"), s("%COMPMAIL%")));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), b("to=%COMPMAIL%&cc=%COMPMAIL%\r\nx=1\r\n"));
    EXPECT_EQ(read("Beta", SiteScript::EmailNew), b("From %APPNAME%\nno address here\n")) << "not rewritten";
    EXPECT_EQ(read("Gamma", SiteScript::FtpNew), b("%COMPMAIL% %BAD%\r\n"));
    EXPECT_EQ(prompts.messages(), QStringList{s("info: Mass Change Done!")});
    EXPECT_EQ(rows(), QStringList{row("Gamma", "BAD", SiteScript::FtpNew)}) << "checked again";
    EXPECT_EQ(checker->lastFrom(), s("%CONTEMAIL%"));
    EXPECT_EQ(checker->lastTo(), s("%COMPMAIL%"));
    EXPECT_EQ(display, (QList<bool>{true, false, true, false}));
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(EngineCheckerTest, PairsThatChangeNothingOrNeverEndLeaveEveryScriptAlone)
{
    const QByteArray text = b("n=%APPNAME%\r\n");
    script("Alpha", SiteScript::HttpNew, text);
    EXPECT_FALSE(checker->massChange(QString(), s("%APPNAME%")));
    EXPECT_FALSE(checker->massChange(s("%APPNAME%"), s("%APPNAME%")));
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_TRUE(display.isEmpty());

    EXPECT_FALSE(checker->massChange(s("NAME%"), s("%APPNAME%")));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages().first().startsWith(s("error: \"%APPNAME%\" holds \"NAME%\" itself")));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), text);
    EXPECT_TRUE(display.isEmpty());
}

TEST_F(EngineCheckerTest, MassChangeLeavesScriptsWithANulByteWholeAndSaysWhich)
{
    const QByteArray cut("a=%CONTEMAIL%\r\n\0b=%CONTEMAIL%\r\n", 30);
    const QByteArray cutElsewhere("a=1\r\n\0b=%CONTEMAIL%\r\n", 21);
    const QByteArray cutClean("a=1\r\n\0b=2\r\n", 11);
    script("Alpha", SiteScript::HttpNew, cut);
    script("Beta", SiteScript::HttpNew, cutElsewhere);
    script("Gamma", SiteScript::HttpNew, cutClean);
    script("Gamma", SiteScript::EmailNew, b("to=%CONTEMAIL%\r\n"));
    ASSERT_TRUE(checker->massChange(s("%CONTEMAIL%"), s("%COMPMAIL%")));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), cut);
    EXPECT_EQ(read("Beta", SiteScript::HttpNew), cutElsewhere);
    EXPECT_EQ(read("Gamma", SiteScript::HttpNew), cutClean);
    EXPECT_EQ(read("Gamma", SiteScript::EmailNew), b("to=%COMPMAIL%\r\n"));
    const QStringList messages = prompts.messages();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[0].startsWith(s("error: These scripts hold \"%CONTEMAIL%\" but also a NUL byte")));
    EXPECT_TRUE(messages[0].endsWith(path("Alpha", SiteScript::HttpNew) + u'\n' + path("Beta", SiteScript::HttpNew)));
    EXPECT_EQ(messages[1], s("info: Mass Change Done!"));
    EXPECT_EQ(messages[2], s("info: No Errors found! :)"));
}

TEST_F(EngineCheckerTest, AReadOrWriteErrorStopsTheWorkAndEverythingReturnsToNormal)
{
    script("Alpha", SiteScript::HttpNew, b("a=%BAD%\r\n"));
    QDir().mkpath(path("Beta", SiteScript::HttpNew)); // exists, but cannot be read
    script("Gamma", SiteScript::HttpNew, b("g=%BAD%\r\n"));
    EXPECT_FALSE(checker->beginChecking());
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Cannot open file ") + path("Beta", SiteScript::HttpNew)});
    EXPECT_EQ(rows(), QStringList{row("Alpha", "BAD", SiteScript::HttpNew)}) << "rows found so far stay";
    EXPECT_EQ(display, (QList<bool>{true, false}));
    EXPECT_EQ(prompts.busyDepth, 0);

    QDir().rmdir(path("Beta", SiteScript::HttpNew));
    prompts.shown.clear();
    display.clear();
    const QByteArray before = read("Gamma", SiteScript::HttpNew);
    {
        FileSizeLimit limit(4);
        EXPECT_FALSE(checker->massChange(s("%BAD%"), s("%APPNAME%")));
    }
    const QStringList messages = prompts.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(s("error: Cannot create file ") + path("Alpha", SiteScript::HttpNew)));
    EXPECT_EQ(read("Alpha", SiteScript::HttpNew), b("a=%BAD%\r\n")) << "a failed write leaves the file whole";
    EXPECT_EQ(read("Gamma", SiteScript::HttpNew), before) << "the change stopped at the first failure";
    EXPECT_EQ(display, (QList<bool>{true, false}));
    EXPECT_EQ(prompts.busyDepth, 0);
}

// The replacement as the checker's users know it: find the first occurrence,
// replace it, look again from the very start.
QString replacedStepByStep(QString text, const QString& from, const QString& to, int& steps)
{
    steps = 0;
    for (qsizetype at; (at = text.indexOf(from)) >= 0 && steps < 10000; ++steps)
        text.replace(at, from.size(), to);
    return text;
}

TEST(ScriptReplacement, GivesWhatRepeatingFromTheStartGives)
{
    Replacement r = EngineChecker::replaceAll(QStringLiteral("aab"), QStringLiteral("ab"), QStringLiteral("b"));
    EXPECT_EQ(r.text, QStringLiteral("b")) << "a replacement can make a new occurrence before it";
    EXPECT_EQ(r.count, 2);
    r = EngineChecker::replaceAll(QStringLiteral("no variable"), QStringLiteral("%X%"), QStringLiteral("%Y%"));
    EXPECT_EQ(r.text, QStringLiteral("no variable"));
    EXPECT_EQ(r.count, 0);

    // Random texts and pairs from a small alphabet, so occurrences overlap and cascade.
    QRandomGenerator random(20260307);
    const auto word = [&](int maxLength) {
        QString w;
        const int length = int(random.bounded(maxLength + 1));
        for (int i = 0; i < length; ++i)
            w += QChar(u"ab%"[random.bounded(3)]);
        return w;
    };
    int compared = 0;
    for (int round = 0; round < 20000; ++round) {
        const QString text = word(14);
        const QString from = word(3);
        const QString to = word(4);
        if (from.isEmpty() || to.contains(from))
            continue;
        int steps = 0;
        const QString expected = replacedStepByStep(text, from, to, steps);
        if (steps >= 10000)
            continue;
        const Replacement got = EngineChecker::replaceAll(text, from, to);
        ASSERT_FALSE(got.endless) << text.toStdString() << " / " << from.toStdString() << " / " << to.toStdString();
        ASSERT_EQ(got.text, expected) << text.toStdString() << " / " << from.toStdString() << " / " << to.toStdString();
        ASSERT_EQ(got.count, steps) << text.toStdString() << " / " << from.toStdString() << " / " << to.toStdString();
        ++compared;
    }
    EXPECT_GT(compared, 5000);
}

TEST(ScriptReplacement, AChangeThatNeverEndsIsStoppedAndChangesNothing)
{
    const QString text = QStringLiteral("Name: %APPNAME%");
    const Replacement r = EngineChecker::replaceAll(text, QStringLiteral("NAME%"), QStringLiteral("%APPNAME%"));
    EXPECT_TRUE(r.endless);
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(r.count, 0);
    EXPECT_TRUE(EngineChecker::endlessChangeMessage(QStringLiteral("NAME%"), QStringLiteral("%APPNAME%")));
    EXPECT_FALSE(EngineChecker::endlessChangeMessage(QStringLiteral("%APPNAME%"), QStringLiteral("%APPNAME%")));
}

TEST(ScriptText, ReadStraightFromBytesItIsWhatTheListReaderReads)
{
    QRandomGenerator random(7);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        const int length = int(random.bounded(12));
        for (int i = 0; i < length; ++i)
            bytes += "a\r\n\0"[random.bounded(4)];
        ASSERT_EQ(EngineChecker::scriptText(bytes), EngineChecker::scriptText(ListFile::parse(bytes)))
            << bytes.toPercentEncoding().toStdString();
    }
}
