// The lines the agent and the window say to each other, and the window's
// arguments for an action: every request comes back as it was sent, the
// key's padding included, and what is no request is refused whole.
#include <gtest/gtest.h>

#include "ReminderRequest.h"
#include "SubjRecord.h"

namespace {

QByteArray KeyBytes(const std::string& title, int day = 7) {
    IndivSubj subj;
    subj.year = 2026;
    subj.month = 12;
    subj.day = static_cast<std::int16_t>(day);
    subj.title = title;
    const RecordText record = EncodeIndivSubj(subj);
    return QByteArray(reinterpret_cast<const char*>(record.data()), kKeySize);
}

}  // namespace

TEST(ReminderRequestLine, EveryRequestComesBackAsSent) {
    using K = ReminderRequest::Kind;
    const QByteArray kanji = KeyBytes("\x89\xEF\x8B\x63\x81\x40 room");  // 会議　room
    const QByteArray full = KeyBytes(std::string(kKeySize, 'x'));
    for (const ReminderRequest& request : {
             ReminderRequest{K::ComeForward, {}, "token-1"},
             ReminderRequest{K::ComeForward, {}, {}},
             ReminderRequest{K::Open, kanji, "t"},
             ReminderRequest{K::Done, full, {}},
             ReminderRequest{K::MarkedDone, KeyBytes("a"), {}},
             ReminderRequest{K::MarkedOpen, kanji, {}},
             ReminderRequest{K::End, {}, {}},
         }) {
        const QByteArray line = RequestLine(request);
        ASSERT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1);
        const std::optional<ReminderRequest> back = ParseRequestLine(line);
        ASSERT_TRUE(back) << line.toStdString();
        EXPECT_EQ(*back, request) << line.toStdString();
        if (request.Action()) {
            bool wrong = true;
            const std::optional<ReminderRequest> started =
                RequestOfArguments(WindowArguments(request), wrong);
            EXPECT_FALSE(wrong);
            ASSERT_TRUE(started);
            EXPECT_EQ(started->key, request.key);
            EXPECT_EQ(started->kind, request.kind);
        }
    }
    // A token cannot break the line or add a field.
    const QByteArray line = RequestLine({K::Open, kanji, "a\tb\nc\r"});
    EXPECT_EQ(ParseRequestLine(line)->token, QByteArray("abc"));
}

TEST(ReminderRequestLine, WhatIsNoRequestIsRefused) {
    const QByteArray hex = KeyText(KeyBytes("a"));
    for (const QByteArray& line : {
             QByteArray("open\n"),                                               // no key
             QByteArray("open\t\ttoken\n"),                                      // an empty key
             QByteArray("open\txyz\ttoken\n"),                                   // not hexadecimal
             QByteArray("open\t" + hex + "0\t\n"),                               // half a byte
             QByteArray("open\t" + QByteArray(2 * kKeySize + 2, 'a') + "\t\n"),  // too long
             QByteArray("end\tmore\n"),                                          // a field too many
             QByteArray("marked-done\t" + hex + "\ttoken\n"),  // the agent takes no token
             QByteArray("reboot\n"),
             QByteArray(),
         }) {
        EXPECT_FALSE(ParseRequestLine(line)) << line.toStdString();
    }
}

TEST(ReminderRequestArguments, OnlyAnActionOnAKeyStartsTheWindowWithOne) {
    const QString hex = QString::fromLatin1(KeyText(KeyBytes("a")));
    bool wrong = true;
    EXPECT_FALSE(RequestOfArguments({}, wrong));
    EXPECT_FALSE(wrong);
    EXPECT_FALSE(RequestOfArguments({QStringLiteral("/some/folder")}, wrong));
    EXPECT_FALSE(wrong);
    for (const QStringList& arguments : {
             QStringList{"--reminder-action"},
             QStringList{"--reminder-action", "open"},
             QStringList{"--reminder-action", "end", hex},
             QStringList{"--reminder-action", "done", "zz"},
             QStringList{"--reminder-action", "done", hex, "extra"},
         }) {
        wrong = false;
        EXPECT_FALSE(RequestOfArguments(arguments, wrong)) << arguments.join(' ').toStdString();
        EXPECT_TRUE(wrong) << arguments.join(' ').toStdString();
    }
}
