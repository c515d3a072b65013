#include "records/ProgramSettings.h"
#include "ui/InputRules.h"
#include "ui/TSettingsForm.h"

#include "../support/TestWorkspace.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QString s(const char* text) { return QString::fromLatin1(text); }
}

TEST(SettingsForm, ShowsTheFileValuesAndCancelWritesNothing)
{
    TestWorkspace ws;
    ProgramSettings settings;
    TSettingsForm form(settings, ws.file(s("settings.dat")));
    EXPECT_EQ(form.windowTitle(), s("Settings"));
    EXPECT_EQ(form.portEdit()->text(), s("80"));
    EXPECT_EQ(form.retriesSpin()->value(), 3);
    EXPECT_EQ(form.retriesSpin()->minimum(), 0);
    EXPECT_EQ(form.retriesSpin()->maximum(), 50);
    EXPECT_EQ(form.timeOutSpin()->minimum(), 10);
    EXPECT_EQ(form.timeOutSpin()->maximum(), 60);
    EXPECT_TRUE(form.hintsCheck()->isChecked());
    EXPECT_TRUE(form.resetPostCheck()->isChecked());
    EXPECT_FALSE(form.passiveCheck()->isChecked());
    QStringList groups;
    for (const QGroupBox* g : form.findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_EQ(groups, (QStringList{s("Email Settings:"), s("HTTP Proxy Server Info (If any):"), s("FTP Settings:"),
                                   s("HTTP Settings:"), s("Misc. Settings:")}));

    QTest::keyClicks(form.smtpEdit(), s("mail.example"));
    form.findChild<QPushButton*>(s("CancelBtn"))->click();
    EXPECT_FALSE(ws.exists(s("settings.dat")));
    EXPECT_EQ(settings.smtp, QString());
}

TEST(SettingsForm, OkWritesTheDialogKeysInOrderAndSwitchesHints)
{
    TestWorkspace ws;
    ws.write(s("settings.dat"), "[SETTINGS]\r\nLastAppLoaded=Tool\r\nHTTPTimeOut=45\r\nUseGridLines=1\r\n");
    ProgramSettings settings;
    TSettingsForm form(settings, ws.file(s("settings.dat")));
    QTest::keyClicks(form.smtpEdit(), s("smtp.example"));
    QTest::keyClicks(form.emailEdit(), s("me@example"));
    form.hintsCheck()->setChecked(false);
    form.findChild<QPushButton*>(s("OkBtn"))->click();
    EXPECT_FALSE(Hints::enabled());
    Hints::setEnabled(true);
    EXPECT_EQ(settings.smtp, s("smtp.example"));
    EXPECT_EQ(ws.read(s("settings.dat")),
              QByteArray("[SETTINGS]\r\nLastAppLoaded=Tool\r\nHTTPTimeOut=45\r\nUseGridLines=1\r\n"
                         "SMTP=smtp.example\r\nEMAIL=me@example\r\nNAME=\r\nPROXY=\r\nPROXYUSERNAME=\r\n"
                         "PROXYPASSWORD=\r\nPORT=80\r\nFTPRetries=3\r\nShowHints=0\r\nResetToNoPost=1\r\n"
                         "FTPPassiveMode=0\r\nSMTP User Name=\r\nSMTP Password=\r\nRequire encryption=0\r\n"));

    // Ok again without changes rewrites the same values.
    const QByteArray first = ws.read(s("settings.dat"));
    TSettingsForm again(settings, ws.file(s("settings.dat")));
    again.findChild<QPushButton*>(s("OkBtn"))->click();
    EXPECT_EQ(ws.read(s("settings.dat")), first);
    EXPECT_EQ(settings.httpTimeOut, 45);
    Hints::setEnabled(true);
}

TEST(SettingsForm, AFailedWriteIsReportedAndTheDialogStaysOpen)
{
    TestWorkspace ws;
    ws.makeDir(s("settings.dat"));
    ProgramSettings settings;
    TSettingsForm form(settings, ws.file(s("settings.dat")));
    QString reported;
    QObject::connect(&form, &TSettingsForm::saveFailed, [&](const QString& m) { reported = m; });
    form.show();
    form.findChild<QPushButton*>(s("OkBtn"))->click();
    EXPECT_EQ(reported, s("Unable to write to ") + ws.file(s("settings.dat")));
    EXPECT_TRUE(form.isVisible());
    Hints::setEnabled(true);
}

TEST(SettingsForm, SignInFieldsLoadAndSaveAndAPasswordTheFileCannotHoldIsRefused)
{
    TestWorkspace ws;
    ProgramSettings settings;
    {
        // A first start: the file the dialog makes will require encryption.
        TSettingsForm form(settings, ws.file(s("settings.dat")));
        EXPECT_TRUE(form.requireEncryptionCheck()->isChecked());
        EXPECT_EQ(form.smtpPasswordEdit()->echoMode(), QLineEdit::Password);
        for (QWidget* w : std::initializer_list<QWidget*>{form.smtpUserEdit(), form.smtpPasswordEdit(),
                                                           form.requireEncryptionCheck()}) {
            EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
            EXPECT_EQ(w->parentWidget(), form.smtpEdit()->parentWidget()) << "in the mail group";
        }
        QTest::keyClicks(form.smtpUserEdit(), s("me@example.net"));
        form.smtpPasswordEdit()->setText(QStringLiteral(u" s\u00e9cret=;x "));
        form.requireEncryptionCheck()->setChecked(false);
        form.findChild<QPushButton*>(s("OkBtn"))->click();
    }
    EXPECT_EQ(settings.smtpPassword, QStringLiteral(u" s\u00e9cret=;x "));
    EXPECT_FALSE(settings.requireEncryption);

    ProgramSettings fresh;
    TSettingsForm form(fresh, ws.file(s("settings.dat")));
    EXPECT_EQ(form.smtpUserEdit()->text(), s("me@example.net"));
    EXPECT_EQ(form.smtpPasswordEdit()->text(), QStringLiteral(u" s\u00e9cret=;x "));
    EXPECT_FALSE(form.requireEncryptionCheck()->isChecked());

    // A character outside the file's 8-bit set would come back as "?": the dialog says so and stays.
    const QByteArray before = ws.read(s("settings.dat"));
    QString reported;
    QObject::connect(&form, &TSettingsForm::saveFailed, [&](const QString& m) { reported = m; });
    form.show();
    form.smtpPasswordEdit()->setText(QStringLiteral(u"p\u20acss"));
    form.nameEdit()->setText(s("Changed"));
    form.findChild<QPushButton*>(s("OkBtn"))->click();
    EXPECT_EQ(reported, QStringLiteral(u"The SMTP Password cannot be stored: it holds the character \"\u20ac\", "
                                       u"which settings.dat cannot store."));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(ws.read(s("settings.dat")), before);
    EXPECT_EQ(fresh.name, QString()) << "nothing is taken from a refused dialog";
    Hints::setEnabled(true);
}
