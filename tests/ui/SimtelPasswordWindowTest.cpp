#include "TestWindow.h"
#include "services/ServiceAddresses.h"
#include "ui/Tsimtellpassfrm.h"
#include "workflow/MainModel.h"

#include "../net/TestServers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// "Tool" with the sites Alpha and Simtel both marked to post, and mail settings
// naming a local server. The application has no 8-character name: a run stops
// at its checks, after the Simtel question.
void writeWorkspace(TestWorkspace& ws, const QString& mailServer)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\nPLATFORM=Windows 95\r\n");
    ws.write(s("sites/Sites.dat"), "Alpha\r\nSimtel\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n");
    ws.write(s("sites/Simtel.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\n");
    ws.write(s("data/Tool_SITES.dat"), "Alpha\xB1New\xB1N/A\xB1N/A\xB1Unknown\xB1Y\r\n"
                                       "Simtel\xB1New\xB1N/A\xB1N/A\xB1Unknown\xB1Y\r\n");
    ws.write(s("settings.dat"), "[SETTINGS]\r\nSMTP=" + mailServer.toLatin1()
                                    + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=5\r\n"
                                      "UpdateURL=http://127.0.0.1:9/zlsites.zip\r\nBHSURL=http://127.0.0.1:9/\r\n");
}

QString simtelMark(TestWindow& w)
{
    for (const SiteListRow& r : w.frame.model().siteList().rows())
        if (r.site == u"Simtel")
            return r.post;
    return QString();
}

} // namespace

TEST(SimtelPasswordWindow, ShowsTheMailSettingsAndGrowsForThePassword)
{
    TestWorkspace ws;
    writeWorkspace(ws, s("127.0.0.1:9"));
    TestWindow w(ws);
    Tsimtellpassfrm* dlg = w.frame.simtelPasswordDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), s("Simtel Password - PLEASE READ!"));
    EXPECT_EQ(dlg->Button1()->text(), s("Send Request to Simtel"));
    EXPECT_EQ(dlg->Button2()->text(), s("Accept Password"));
    EXPECT_EQ(dlg->authorcheck()->text(), s("I am the author of this software or the author's authorized agent"));
    EXPECT_EQ(dlg->okbox()->text(),
              s("Click here if you have received the Simtel password and agree to all terms."));
    QStringList captions;
    for (const QLabel* label : dlg->findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption : {"E-Mail Username:", "E-Mail Reply-To Address:", "SMTP Server:",
                                "Name of Application you will be uploading:",
                                "Brief Description of file you will be uploading:"})
        EXPECT_TRUE(captions.contains(s(caption))) << caption;

    dlg->show();
    EXPECT_EQ(dlg->Edit1()->text(), s("Me"));
    EXPECT_EQ(dlg->Edit2()->text(), s("me@acme.test"));
    EXPECT_EQ(dlg->Edit3()->text(), s("127.0.0.1:9"));
    EXPECT_EQ(dlg->height(), 327);
    EXPECT_TRUE(dlg->passwordPanel()->isHidden());
    // Every control of the request fits the short window, none squeezed below its least size.
    for (QWidget* control : std::initializer_list<QWidget*>{dlg->Edit1(), dlg->Edit2(), dlg->Edit3(), dlg->Edit5(),
                                                            dlg->Memo1(), dlg->authorcheck(), dlg->Button1(),
                                                            dlg->okbox()}) {
        const QRect at(control->mapTo(dlg, QPoint(0, 0)), control->size());
        EXPECT_TRUE(dlg->rect().contains(at)) << qPrintable(control->objectName());
        EXPECT_GE(control->height(), control->minimumSizeHint().height()) << qPrintable(control->objectName());
    }

    dlg->okbox()->click();
    EXPECT_EQ(dlg->height(), 443);
    EXPECT_TRUE(dlg->Edit4()->isVisible());
    EXPECT_TRUE(dlg->Button2()->isVisible());
    dlg->okbox()->click();
    EXPECT_EQ(dlg->height(), 327);
    EXPECT_FALSE(dlg->Edit4()->isVisible());
    dlg->close();
    EXPECT_EQ(w.frame.simtelPasswordDialog(), dlg) << "one dialog for the program's life";
}

TEST(SimtelPasswordWindow, ARefusedSendKeepsTheDialogOpenAndClosingWithoutAPasswordUnmarksSimtel)
{
    TestWorkspace ws;
    SmtpTestServer server({s("--refuse"), ServiceAddresses::simtelMailbox()});
    ASSERT_TRUE(server.started());
    writeWorkspace(ws, server.address());
    TestWindow w(ws);
    Tsimtellpassfrm* dlg = w.frame.simtelPasswordDialog();
    dlg->show();
    dlg->Edit5()->setText(s("Tool"));
    dlg->Memo1()->setPlainText(s("Keeps lists."));
    dlg->Button1()->click();
    EXPECT_EQ(w.prompts.messages(),
              QStringList{s("error: You did not check the Author checkbox.  If you are not the author or the author's "
                            "authorized agent, you cannot upload to Simtel.")});
    EXPECT_TRUE(dlg->isVisible());

    w.prompts.shown.clear();
    dlg->authorcheck()->setChecked(true);
    dlg->Button1()->click();
    ASSERT_EQ(w.prompts.messages().size(), 1);
    EXPECT_TRUE(w.prompts.messages().first().startsWith(s("error: 550"))) << qPrintable(w.prompts.messages().first());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(simtelMark(w), s("Y"));

    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(simtelMark(w), s("N"));
    EXPECT_EQ(w.frame.model().displays().sitesToPost(), 1);
}

TEST(SimtelPasswordWindow, ARunWithoutThePasswordAsksForItAndKeepsWhatWasAccepted)
{
    TestWorkspace ws;
    writeWorkspace(ws, s("127.0.0.1:9"));
    TestWindow w(ws);
    ASSERT_TRUE(w.frame.model().run().simtelPassword().isEmpty());
    QWidget* asked = nullptr;
    const bool shown = withModal([&] { w.frame.submitBtnClick(); }, [&](QWidget* modal) {
        asked = modal;
        auto* dlg = qobject_cast<Tsimtellpassfrm*>(modal);
        ASSERT_NE(dlg, nullptr);
        dlg->okbox()->click();
        dlg->Edit4()->setText(s("s3cret"));
        dlg->Button2()->click();
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(asked, w.frame.simtelPasswordDialog());
    EXPECT_EQ(w.frame.model().run().simtelPassword(), s("s3cret"));
    EXPECT_TRUE(ws.read(s("sites/Simtel.ini")).contains("LOGIN_PASSWORD=s3cret\r\n"));
    EXPECT_EQ(ws.read(s("sites/Simtel 16bit.ini")), "[SETTINGS]\r\nLOGIN_PASSWORD=s3cret\r\n");
    EXPECT_EQ(simtelMark(w), s("Y"));

    // Held now: the next run does not ask again.
    const bool again = withModal([&] { w.frame.submitBtnClick(); }, [&](QWidget* modal) {
        EXPECT_NE(modal, w.frame.simtelPasswordDialog());
    });
    (void)again;
}
