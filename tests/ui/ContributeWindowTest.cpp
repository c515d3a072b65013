#include "engines/TEngBuild.h"
#include "TestWindow.h"
#include "ui/TContributeFrm.h"
#include "ui/TSiteBuilderPage.h"
#include "workflow/MainModel.h"

#include "../net/TestServers.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// A company with a complete contact, one supplied site, and the contribution
// going to a local server.
void writeWorkspace(TestWorkspace& ws, const QString& server)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=Pat Jones\r\nCEMAIL=pat@acme.test\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\n");
    ws.write(s("sites/Sites.dat"), "Alpha\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nFTP_SERVER=ftp.alpha.test\r\n");
    ws.write(s("settings.dat"), "[SETTINGS]\r\nContributeSMTP=" + server.toLatin1() + "\r\n");
}

struct Window : TestWindow {
    explicit Window(TestWorkspace& w) : TestWindow(w)
    {
        frame.mainTabs()->setCurrentWidget(frame.siteBuilderTab());
    }
    TSiteBuilderPage& page() { return *frame.siteBuilderPage(); }
    TEngBuild& engine() { return *frame.model().engine(); }
    QAction* menuEntry() { return page().byteFormatMenu()->findChild<QAction*>(s("ContributeItem")); }
};

} // namespace

TEST(ContributeWindow, ModifiedSiteIsSavedBeforeTheWindowOpens)
{
    TestWorkspace ws;
    FakeSmtpServer server;
    writeWorkspace(ws, server.address());
    Window w(ws);
    ASSERT_EQ(w.engine().siteName(), s("Alpha"));
    EXPECT_TRUE(w.page().contributeButton()->isHidden()) << "a supplied site does not offer it";
    ASSERT_NE(w.menuEntry(), nullptr);
    EXPECT_TRUE(w.menuEntry()->isEnabled()) << "the menu entry offers it all the same";

    w.page().findChild<QLineEdit*>(s("FtpServerEdit"))->setText(s("ftp.changed.test"));
    ASSERT_TRUE(w.engine().modified());
    const bool shown = withModal([&] { w.menuEntry()->trigger(); }, [&](QWidget* modal) {
        auto* frm = qobject_cast<TContributeFrm*>(modal);
        ASSERT_NE(frm, nullptr);
        EXPECT_TRUE(ws.read(s("sites/Alpha.ini")).contains("FTP_SERVER=ftp.changed.test"));
        EXPECT_FALSE(w.engine().modified());
        EXPECT_EQ(frm->windowTitle(), s("Contribute Engine to Halvern HQ:"));
        EXPECT_TRUE(frm->findChild<QLabel*>(s("IntroLabel"))
                        ->text()
                        .startsWith(u"  If the current site was added directly by you as a new site"));
        EXPECT_TRUE(frm->submitButton()->isDefault());
        EXPECT_TRUE(frm->sendingPanel()->isHidden());
        frm->cancelButton()->click();
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(w.prompts.messages(), QStringList());
    EXPECT_TRUE(server.received().isEmpty()) << "Cancel sends nothing";
}

TEST(ContributeWindow, CannotBeClosedWhileSendingAndASentSiteHidesContribute)
{
    TestWorkspace ws;
    FakeSmtpServer server;
    // The server stays silent until the test has tried to close the window.
    QPointer<QTcpSocket> held;
    server.onConnect = [&](QTcpSocket& socket) { held = &socket; };
    writeWorkspace(ws, server.address());
    Window w(ws);
    w.prompts.names = {s("Zeta")};
    w.page().newButton()->click();
    ASSERT_FALSE(w.page().contributeButton()->isHidden());

    struct {
        bool sending = false;
        bool panelShown = false;
        bool buttonsOff = false;
        bool textsHidden = false;
        bool busy = false;
        bool stillOpen = false;
    } during;
    const bool shown = withModal([&] { w.page().contributeButton()->click(); }, [&](QWidget* modal) {
        auto* frm = qobject_cast<TContributeFrm*>(modal);
        ASSERT_NE(frm, nullptr);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!held)
                return;
            poll.stop();
            during.sending = frm->sending();
            during.panelShown = frm->sendingPanel()->isVisible();
            during.buttonsOff = !frm->submitButton()->isEnabled() && !frm->cancelButton()->isEnabled();
            during.textsHidden = frm->findChild<QLabel*>(s("IntroLabel"))->isHidden()
                && frm->findChild<QLabel*>(s("SubmitLabel"))->isHidden();
            during.busy = w.prompts.busyDepth > 0;
            QTest::keyClick(frm, Qt::Key_Escape);
            frm->close();
            frm->reject();
            during.stillOpen = frm->isVisible();
            held->write("220 fake ready\r\n");
        });
        poll.start(5);
        frm->submitButton()->click();
        EXPECT_FALSE(frm->isVisible()) << "the window closes once the mail went";
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(during.sending);
    EXPECT_TRUE(during.panelShown);
    EXPECT_TRUE(during.buttonsOff);
    EXPECT_TRUE(during.textsHidden);
    EXPECT_TRUE(during.busy);
    EXPECT_TRUE(during.stillOpen) << "neither Escape nor the frame's close ends it while it sends";

    EXPECT_EQ(w.prompts.messages().last(), s("info: Submission Sent. Thank You!"));
    EXPECT_EQ(w.prompts.busyDepth, 0);
    EXPECT_TRUE(server.received().contains("MAIL FROM:<pat@acme.test>"));
    EXPECT_TRUE(server.received().contains("Zeta.ini"));
    EXPECT_TRUE(w.page().contributeButton()->isHidden());
    EXPECT_TRUE(w.menuEntry()->isEnabled()) << "the same site can be sent again from the menu";
}
