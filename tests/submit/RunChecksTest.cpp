#include "RunFixture.h"

#include "engines/TEngBuild.h"

namespace {
using Answer = UserPrompts::Answer;
using Outcome = SubmissionRun::Outcome;
} // namespace

// What happens before the first site: the Simtel password, the mail settings,
// the checks of the application and the save questions.
class RunChecksTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        addSite("Alpha", "");
    }
    ApplicationRecord& app() { return model->application(); }
    bool runStarted() const { return ws.exists(s("reports/My Tool")); }
};

TEST_F(RunChecksTest, EachCheckOfTheApplicationStopsTheRunWithItsMessage)
{
    struct Case {
        std::function<void()> spoil;
        const char* message;
    };
    const auto field = [this](AppField f, QString value) {
        return [this, f, value] { app().setField(f, value); };
    };
    const QString missing = ws.file(s("files/missing.gif"));
    const Case cases[] = {
        {[this] { model->applicationChooser().setCurrentIndex(-1); },
         "You have not selected an app to submit."},
        {[this] { model->companyChooser().setCurrentIndex(-1); },
         "You have not selected a company name for the app to submit."},
        {field(AppField::Char8, QString()), "The 8 Character Filename for this app is blank."},
        {field(AppField::Platform, QString()), "You have not selected the platform for this application"},
        {field(AppField::DistStatus, QString()), "You have not selected the distribution for this application"},
        {field(AppField::Status, QString()), "You have not selected the status for this application"},
        {field(AppField::Path, QString()), "You have selected an invalid local path for this application's file."},
        {field(AppField::Path, ws.path()), "You have selected an invalid local path for this application's file."},
        {field(AppField::Path, ws.file(s("files\\mytool.zip"))),
         "You have selected an invalid local path for this application's file."},
        {field(AppField::IcoPath, missing), "You have selected an invalid path for the Ico file."},
        {field(AppField::GifPath, missing), "You have selected an invalid path for the Gif file."},
        {field(AppField::ScreenPath, missing), "You have selected an invalid path for the Screen Shot file."},
        {field(AppField::OtherPath, missing), "You have selected an invalid path for the \"Other\" file."},
    };
    for (const Case& c : cases) {
        start();
        prompts.shown.clear();
        c.spoil();
        EXPECT_EQ(run().submitBtnClick(), Outcome::NotStarted) << c.message;
        EXPECT_EQ(prompts.messages(), QStringList{s("info: ") + s(c.message)});
        EXPECT_EQ(verified, 0) << c.message;
    }
    EXPECT_FALSE(runStarted());

    // The check passes with every optional path empty or naming a file.
    start();
    prompts.confirmAnswers = {false};
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_TRUE(runStarted());
}

TEST_F(RunChecksTest, TheSaveQuestionsComeInOrderAndCancelAtAnyStops)
{
    start();
    const auto changeAll = [this] {
        app().setField(AppField::Version, s("2.2"));
        model->company().setField(CompanyField::Phone, s("555"));
        engine().LoadSite(s("Alpha"));
        engine().setModified(true);
    };
    const QStringList all{s("askSave: Would you like to save My Tool?"),
                          s("askSave: Would you like to save Changed Company Info?"),
                          s("askSave: Would you like to save Added/Changed Engine Info?")};
    changeAll();
    for (int at = 0; at < 3; ++at) {
        prompts.shown.clear();
        prompts.saveAnswers.assign(size_t(at), Answer::No);
        prompts.saveAnswers.push_back(Answer::Cancel);
        EXPECT_EQ(run().submitBtnClick(), Outcome::NotStarted) << at;
        EXPECT_EQ(prompts.messages(), all.mid(0, at + 1));
        EXPECT_EQ(prompts.shown.count(s("beep")), at + 1) << "each question after a beep";
    }
    EXPECT_EQ(verified, 0);
    EXPECT_TRUE(ws.read(s("data/My Tool.dat")).contains("VERSION=2.1"));

    // Yes saves; No goes on without saving; the count and verification follow.
    startSubmission = false;
    prompts.saveAnswers = {Answer::Yes, Answer::Yes, Answer::No};
    EXPECT_EQ(run().submitBtnClick(), Outcome::NotStarted);
    EXPECT_EQ(verified, 1);
    EXPECT_TRUE(ws.read(s("data/My Tool.dat")).contains("VERSION=2.2"));
    EXPECT_TRUE(ws.read(s("companies/Acme.dat")).contains("555"));
    EXPECT_TRUE(engine().modified());
    EXPECT_FALSE(runStarted());
}

TEST_F(RunChecksTest, TheSettingsDialogOpensUntilServerAddressAndNameAreSet)
{
    writeSettings("HTTPTimeOut=5\r\n");
    start();
    startSubmission = false;
    int opened = 0;
    run().setSettingsDialog([&] {
        ProgramSettings& settings = model->settings();
        switch (++opened) {
        case 1: settings.smtp = s("mail.test"); break;
        case 2: settings.name = s("Me"); break;
        default: settings.email = s("me@acme.test"); break;
        }
        return true;
    });
    EXPECT_EQ(run().submitBtnClick(), Outcome::NotStarted);
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(verified, 1);
    EXPECT_EQ(run().mailSetup().server, s("mail.test"));
    EXPECT_EQ(run().mailSetup().userAddress, s("me@acme.test"));
    EXPECT_EQ(run().mailSetup().userName, s("Me"));

    // Without a dialog to show, the run cannot get its settings and stops.
    model->settings().smtp.clear();
    run().setSettingsDialog({});
    prompts.shown.clear();
    EXPECT_EQ(run().submitBtnClick(), Outcome::NotStarted);
    EXPECT_EQ(verified, 1);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages().first().startsWith(s("error: ")));
}

TEST_F(RunChecksTest, TheSimtelPasswordIsWrittenIntoBothSimtelDefinitionsFirst)
{
    ws.write(s("sites/Simtel 16bit.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\nLOGIN_PASSWORD=old\r\n");
    start();
    run().setSimtelPassword(s("s3cret"));
    app().setField(AppField::Char8, QString());
    EXPECT_EQ(run().submitBtnClick(), Outcome::NotStarted) << "written even when the checks stop the run";
    EXPECT_EQ(ws.read(s("sites/Simtel.ini")), QByteArray("[SETTINGS]\r\nLOGIN_PASSWORD=s3cret\r\n"));
    EXPECT_EQ(ws.read(s("sites/Simtel 16bit.ini")),
              QByteArray("[SETTINGS]\r\nUSE_EMAIL=1\r\nLOGIN_PASSWORD=s3cret\r\n"));
    EXPECT_FALSE(ws.exists(s("sites/simtel.ini")));

    // A later start reads it back.
    start();
    EXPECT_EQ(run().simtelPassword(), s("s3cret"));
}

TEST(WrapText, BreaksAfterBlanksAndCutsWordsLongerThanTheWidth)
{
    const auto wrap = [](const char* text, int width) {
        return SubmissionRun::WrapText(QString::fromLatin1(text), width);
    };
    EXPECT_EQ(wrap("aaa bbb ccc ddd", 10), QStringLiteral("aaa bbb \r\nccc ddd\r\n"));
    EXPECT_EQ(wrap("aaaa bbbb cc", 10), QStringLiteral("aaaa bbbb \r\ncc\r\n")) << "a piece may fill the width";
    EXPECT_EQ(wrap("abcdefghijklmnopqrstuvwxy", 10), QStringLiteral("abcdefghij\r\nklmnopqrst\r\nuvwxy\r\n"));
    EXPECT_EQ(wrap("", 10), QString());
    EXPECT_EQ(wrap("one\r\n\r\ntwo", 10), QStringLiteral("one\r\n\r\ntwo\r\n")) << "an empty line stays";
    EXPECT_EQ(wrap("abcdefghijkl mn", 10), QStringLiteral("abcdefghij\r\nkl mn\r\n"));
    EXPECT_EQ(wrap("ab abcdefghijkl", 10), QStringLiteral("ab \r\nabcdefghij\r\nkl\r\n"));

    // What it wrote, wrapped again, stays as it is.
    const QString text = QStringLiteral(
        "Zentrel keeps the company and its applications in one place and submits them to many download sites "
        "in one run.\nA line\n\nafter an empty one, and averyveryveryveryveryveryveryverylongwordthatneverbreaks "
        "at all.");
    for (int width : {10, 25, 72}) {
        const QString once = SubmissionRun::WrapText(text, width);
        EXPECT_EQ(SubmissionRun::WrapText(once, width), once) << width;
        for (const QString& line : once.split(QStringLiteral("\r\n")))
            EXPECT_LE(line.size(), width) << qPrintable(line);
    }
}
