#include "EngineFixture.h"

#include "records/ZentrelError.h"

using SiteCatalogueTest = EngineFixture;

TEST_F(SiteCatalogueTest, LoadsBothListsSortedIgnoringCaseIntoTheCombinedList)
{
    ws.write(s("sites/Sites.dat"), "zeta\r\nAlpha\r\nmid\r\n");
    ws.write(s("sites/User_Sites.dat"), "Beta\r\nalpha\r\n");
    start();
    const SiteCatalogue& c = engine->catalogue();
    EXPECT_EQ(c.supplied(), (QStringList{s("Alpha"), s("mid"), s("zeta")}));
    EXPECT_EQ(c.user(), (QStringList{s("alpha"), s("Beta")}));
    EXPECT_EQ(c.combined(), (QStringList{s("Alpha"), s("alpha"), s("Beta"), s("mid"), s("zeta")}));
    EXPECT_TRUE(engine->siteName().isEmpty()) << "no site is current until one is chosen";
}

TEST_F(SiteCatalogueTest, AddSiteTrimsBlanksAndComparesExactly)
{
    start();
    EXPECT_TRUE(engine->AddSite(s("  My Site  ")));
    EXPECT_EQ(engine->siteName(), s("My Site"));
    EXPECT_EQ(ws.read(s("sites/User_Sites.dat")), QByteArray("My Site\r\n"));
    EXPECT_EQ(ws.read(s("sites/Sites.dat")), QByteArray());

    EXPECT_FALSE(engine->AddSite(s("    ")));
    EXPECT_TRUE(prompts.shown.isEmpty()) << "blanks only add nothing and show nothing";

    EXPECT_FALSE(engine->AddSite(s("My Site")));
    EXPECT_EQ(prompts.messages(), QStringList{s("errorWindow: SITE NAME DUPLICATE | "
                                                "The site name you entered is already on the list! | ")});

    EXPECT_TRUE(engine->AddSite(s("my site")));
    EXPECT_EQ(engine->catalogue().combined(), (QStringList{s("My Site"), s("my site")}));
}

TEST_F(SiteCatalogueTest, AddSiteSetsStandardTranslations)
{
    start();
    engine->site().translation(Translation::Windows95) = s("Win95");
    ASSERT_TRUE(engine->AddSite(s("New")));
    EXPECT_EQ(engine->site().translation(Translation::Windows95), s("Windows 95"));
}

TEST_F(SiteCatalogueTest, UnsafeSiteNamesAreRefusedWithAMessage)
{
    start();
    for (const char* name : {"../escape", "a/b", "..", "."}) {
        prompts.shown.clear();
        EXPECT_FALSE(engine->AddSite(s(name))) << name;
        ASSERT_EQ(prompts.messages().size(), 1) << name;
        EXPECT_TRUE(prompts.messages().first().startsWith(s("error: The name"))) << name;
    }
    EXPECT_FALSE(engine->AddSite(QString(QChar(u'\0')) + s("x")));
    EXPECT_TRUE(engine->catalogue().combined().isEmpty());
    EXPECT_FALSE(ws.exists(s("escape.ini")));
    EXPECT_THROW(engine->SaveSite(s("../escape")), ZentrelError);
    EXPECT_FALSE(ws.exists(s("escape.ini")));
}

TEST_F(SiteCatalogueTest, DeletingASuppliedSiteRemovesItsFilesAndLoadsTheFirstLeft)
{
    ws.write(s("sites/Sites.dat"), "Gone\r\nStay\r\n");
    ws.write(s("sites/Gone.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\n");
    ws.write(s("cat/Gone Cat1.cat"), "1\">A\r\n");
    ws.write(s("sites/Gone HTTP_NEW.scp"), "x=1\r\n");
    ws.write(s("sites/Stay.ini"), "[SETTINGS]\r\nBYTE_FORMAT=3\r\n");
    start();
    engine->DeleteSite(s("Gone"));
    EXPECT_FALSE(ws.exists(s("sites/Gone.ini")));
    EXPECT_FALSE(ws.exists(s("cat/Gone Cat1.cat")));
    EXPECT_FALSE(ws.exists(s("sites/Gone HTTP_NEW.scp")));
    EXPECT_EQ(ws.read(s("sites/Sites.dat")), QByteArray("Stay\r\n"));
    EXPECT_EQ(engine->siteName(), s("Stay"));
    EXPECT_EQ(engine->site().byteFormat, 3);

    engine->DeleteSite(s("Stay"));
    EXPECT_EQ(ws.read(s("sites/Sites.dat")), QByteArray());
    EXPECT_EQ(ws.read(s("sites/User_Sites.dat")), QByteArray());
    EXPECT_TRUE(engine->siteName().isEmpty());
}

TEST_F(SiteCatalogueTest, FailedCatalogueSaveReportsCannotCreateFile)
{
    start();
    ws.makeDir(s("sites/User_Sites.dat"));
    try {
        engine->AddSite(s("X"));
        FAIL();
    } catch (const ZentrelError& e) {
        EXPECT_EQ(e.text(), s("Cannot create file ") + ws.file(s("sites/User_Sites.dat")));
    }
}

TEST_F(SiteCatalogueTest, UnsafeNamesInTheCatalogueFilesArePassedOver)
{
    ws.write(s("sites/Sites.dat"), "../../etc\r\nOk\r\n\r\n");
    start();
    EXPECT_EQ(engine->catalogue().combined(), QStringList{s("Ok")});
}
