#include "net/ESocketError.h"
#include "net/TagSocket.h"

#include "TestServers.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

QString failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ESocketError& e) {
        return e.text();
    }
    return {};
}

} // namespace

TEST(TagSocket, CallsNeedAServerAPortAndAConnection)
{
    TagSocket socket;
    EXPECT_EQ(failureOf([&] { socket.WriteLine(s("HELO")); }), s("You have to connect to the server first"));
    EXPECT_EQ(failureOf([&] { socket.Connect(); }), s("Server property is required"));
    // No port and no service to ask for one.
    socket.setServer(s("127.0.0.1"));
    EXPECT_EQ(failureOf([&] { socket.Connect(); }), s("Service name is required"));
    // A port beyond 16 bits is not taken for another one.
    socket.setServer(s("127.0.0.1:65617"));
    EXPECT_EQ(failureOf([&] { socket.Connect(); }), s("[10049] Can't assign requested address"));
    EXPECT_FALSE(socket.Connected());
}

TEST(TagSocket, LinesAndBytesOverOneConnection)
{
    FakeHttpServer server;
    server.setReply("220 ready\r\r\n250 fine\n" + QByteArray(10000, 'x'));
    TagSocket socket;
    socket.setServer(u"127.0.0.1:" + QString::number(server.port()));
    socket.Connect();
    EXPECT_TRUE(socket.Connected());
    QBuffer request;
    request.setData("EHLO here\r\n");
    request.open(QIODevice::ReadOnly);
    request.seek(4);
    QList<int> sent;
    socket.OnProgress = [&](TagSocket&, int percent, qint64) { sent << percent; };
    socket.SendStream(request);
    socket.WriteLine(QString());
    EXPECT_EQ(sent, QList<int>{100});

    EXPECT_EQ(socket.ReadLine(), s("220 ready"));
    EXPECT_EQ(socket.ReadLine(), s("250 fine"));
    QBuffer rest;
    rest.open(QIODevice::WriteOnly);
    socket.ReadBytes(rest, 9000);
    EXPECT_EQ(rest.data(), QByteArray(9000, 'x'));
    socket.ReadBytes(rest, -1);
    EXPECT_EQ(rest.data().size(), 10000);
    EXPECT_EQ(failureOf([&] { socket.ReadLine(); }), s("Connection closed before the reply was complete"));
    socket.Disconnect();
    EXPECT_FALSE(socket.Connected());
}
