#include "services/ServiceAddresses.h"

#include <gtest/gtest.h>

TEST(ServiceAddresses, ABhsPageIsNamedInsideTheFolderWithOrWithoutItsSlash)
{
    EXPECT_EQ(ServiceAddresses::bhsPage(QStringLiteral("http://127.0.0.1:8080/bhs/"), QStringLiteral("additem1.asp")),
              QStringLiteral("http://127.0.0.1:8080/bhs/additem1.asp"));
    EXPECT_EQ(ServiceAddresses::bhsPage(QStringLiteral(" http://127.0.0.1:8080/bhs "), QStringLiteral("additem2.asp")),
              QStringLiteral("http://127.0.0.1:8080/bhs/additem2.asp"));
}
