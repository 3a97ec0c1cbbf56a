#include "LogLines.h"
#include "OpenProtocolDriver.h"
#include "RecordingBar.h"
#include "ScriptedChannel.h"
#include "Win1251.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TReply = TScriptedChannel::TReply;

// Answers every read request NAME=??; with NAME=<value>; and every write
// NAME=V; with NAME=V;.
TReply Echo(const QByteArray& frame, const QByteArray& readValue = "1") {
  const auto decoded =
      OpenProtocolFrame::DecodeFrame(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size());
  QByteArray text = OpenProtocolText::PacketText(decoded.Packet);
  text.replace("??", readValue);
  return {TScriptedChannel::AnswerFrame(text)};
}

QByteArray Corrupted(QByteArray frame) {
  frame[frame.size() - 1] = static_cast<char>(frame[frame.size() - 1] ^ 0x5A);
  return frame;
}

class DriverTest : public testing::Test {
 protected:
  DriverTest() : FDriver(&FChannel) {
    FDriver.SetCommLog(&FComm);
    FDriver.SetDebugLog(&FDump);
  }

  TScriptedChannel FChannel;
  TLogLines FComm;
  TLogLines FDump;
  TOpenProtocolDriver FDriver;
};

}  // namespace

TEST_F(DriverTest, EmptyListSendsNothing) {
  TRecordingBar bar(0, 100);
  FDriver.SetProgressBar(&bar);
  TOPVarList empty;
  EXPECT_TRUE(FDriver.ReadVars(1, empty));
  EXPECT_TRUE(FDriver.WriteVars(1, empty));
  EXPECT_TRUE(FChannel.Written.isEmpty());
  EXPECT_EQ(bar.Positions, (std::vector<int>{0, 0}));
}

TEST_F(DriverTest, RetriesUntilTheSecondAttemptIsAnswered) {
  FChannel.Answer = [](const QByteArray& frame, int n) {
    TReply reply = Echo(frame);
    if (n == 1) reply.Bytes = Corrupted(reply.Bytes);
    return reply;
  };
  TOPVarList list;
  list.Add("MODE");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(list.GetItem(0)->Value, "1");
  EXPECT_EQ(FComm.Lines(), (QByteArrayList{"-> MODE=??;", "<- bad CRC [20 bytes total]", "-> MODE=??;", "<- MODE=1;"}));
}

TEST_F(DriverTest, SilentDeviceFailsAfterThreeAttemptsAndStopsTheTransaction) {
  TRecordingBar bar(0, 100);
  FDriver.SetProgressBar(&bar);
  TOPVarList list;
  list.Add("STATUS", "", "kept");
  list.Add("SUMALPHA");
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FChannel.Written.size(), 3);
  EXPECT_EQ(FComm.Lines(), (QByteArrayList{"-> STATUS=??;", "<- ", "-> STATUS=??;", "<- ", "-> STATUS=??;", "<- "}));
  EXPECT_EQ(list.GetItem(0)->Value, "kept");
  EXPECT_EQ(bar.Positions, std::vector<int>{0});
  EXPECT_FALSE(FDriver.BadCRC());
}

TEST_F(DriverTest, WrongAddressFailsTheAttempt) {
  FChannel.Answer = [](const QByteArray& frame, int n) {
    TReply reply = Echo(frame);
    if (n == 1) reply.Bytes = TScriptedChannel::AnswerFrame("MODE=7;", 2);
    return reply;
  };
  TOPVarList list;
  list.Add("MODE");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(list.GetItem(0)->Value, "1");
  EXPECT_EQ(FComm.Lines().at(1), "<- ");
}

TEST_F(DriverTest, ProgressFollowsTheItemsWithinTheBarsRange) {
  FChannel.Answer = [](const QByteArray& frame, int) { return Echo(frame); };
  TRecordingBar bar(10, 210);
  FDriver.SetProgressBar(&bar);
  TOPVarList list;
  for (const char* name : {"A", "B", "C", "D"}) list.Add(name);
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(bar.Positions, (std::vector<int>{60, 110, 160, 210, 10}));
}

TEST_F(DriverTest, NoValueEmptiesAReadAndKeepsAWrite) {
  FChannel.Answer = [](const QByteArray&, int) { return TReply{TScriptedChannel::AnswerFrame("MODE=@@;")}; };
  TOPVarList list;
  list.Add("MODE", "", "1");
  ASSERT_TRUE(FDriver.WriteVars(1, list));
  EXPECT_EQ(list.GetItem(0)->Value, "1");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(list.GetItem(0)->Value, "");
}

TEST_F(DriverTest, WriteTakesBackWhatTheInstallationReports) {
  FChannel.Answer = [](const QByteArray&, int) {
    return TReply{TScriptedChannel::AnswerFrame("junk;ALPHAALARM1=250;OTHER=1;")};
  };
  TOPVarList list;
  list.Add("ALPHAALARM1", "", "200");
  ASSERT_TRUE(FDriver.WriteVars(1, list));
  EXPECT_EQ(FChannel.RequestText(1), "ALPHAALARM1=200;");
  EXPECT_EQ(list.GetItem(0)->Value, "250");
}

TEST_F(DriverTest, ArchiveIndexTravelsWithTheName) {
  FChannel.Answer = [](const QByteArray&, int) { return TReply{TScriptedChannel::AnswerFrame("sumalpha:a007=12.5;")}; };
  TOPVarList list;
  list.Add("SUMALPHA", "A007");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FChannel.RequestText(1), "SUMALPHA:A007=??;");
  EXPECT_EQ(list.GetItem(0)->Value, "12.5");
}

TEST_F(DriverTest, LateAnswerOfAnEarlierAttemptIsNotTakenForTheNextOne) {
  FChannel.Answer = [](const QByteArray& frame, int n) {
    if (n == 1) return TReply{TScriptedChannel::AnswerFrame("MODE=7;"), true};
    return Echo(frame);
  };
  TOPVarList list;
  list.Add("MODE");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(list.GetItem(0)->Value, "1");
  EXPECT_EQ(FChannel.Discards, 2);
}

TEST_F(DriverTest, RefusesWhatTheLineCannotCarryBeforeSendingAnything) {
  FChannel.Answer = [](const QByteArray& frame, int) { return Echo(frame); };
  TOPVarList list;
  list.Add("DATETIME", "", "07/03/2005 14.05.09");
  list.Add("ALPHAALARM1", "", "5;BETAALARM1=0");
  EXPECT_FALSE(FDriver.WriteVars(1, list));
  EXPECT_EQ(FComm.Lines().last(), "-- " + Win1251::FromUnicode(QStringLiteral(
                                              "запись не отправлена: значение ALPHAALARM1 содержит \";\" или \"=\"")));
  list.GetItem(1)->Value = "a=b";
  EXPECT_FALSE(FDriver.WriteVars(1, list));
  list.GetItem(1)->Value = QByteArray(250, '5');
  EXPECT_FALSE(FDriver.WriteVars(1, list));
  EXPECT_EQ(FDriver.LastFailure(), TOpenProtocolDriver::TFailure::Refused);
  TOPVarList longName;
  longName.Add(QByteArray(250, 'N'));
  EXPECT_FALSE(FDriver.ReadVars(1, longName));
  EXPECT_TRUE(FChannel.Written.isEmpty());
  EXPECT_EQ(FComm.LineCount(), 5);
  EXPECT_EQ(FComm.Lines().last(), Win1251::FromUnicode(QStringLiteral("-- не отправлено: длиннее 253 символов")));
}

TEST_F(DriverTest, AnAnswerThatDoesNotAnswerTheRequestIsAFailedAttempt) {
  const auto frame = [](const char* text) { return TReply{TScriptedChannel::AnswerFrame(text)}; };
  // Each case gets the request text with "??" already replaced by the value
  // 7, and keeps what it needs between requests in state.
  const struct {
    const char* what;
    std::function<TReply(const QByteArray& answer, QByteArray& state)> reply;
    int requests;
  } cases[] = {
      // Slower than the latency: each answer arrives while the next attempt
      // waits, after the purge before it.
      {"late",
       [](const QByteArray& answer, QByteArray&) {
         return TReply{TScriptedChannel::AnswerFrame(answer), false, true};
       },
       6},
      // Always one request behind; the very first goes unanswered.
      {"one behind",
       [](const QByteArray& answer, QByteArray& previous) {
         const TReply reply{previous.isEmpty() ? QByteArray() : TScriptedChannel::AnswerFrame(previous)};
         previous = answer;
         return reply;
       },
       6},
      {"items without \"=\" on every first attempt",
       [](const QByteArray& answer, QByteArray& state) {
         state += 'x';
         return TReply{TScriptedChannel::AnswerFrame(state.size() % 2 ? QByteArray(answer).replace('=', ' ') : answer)};
       },
       6},
      {"another record once",
       [](const QByteArray& answer, QByteArray& state) {
         if (!answer.contains("A001") || !state.isEmpty()) return TReply{TScriptedChannel::AnswerFrame(answer)};
         state = "done";
         return TReply{TScriptedChannel::AnswerFrame(QByteArray(answer).replace("A001", "A002"))};
       },
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScriptedChannel channel;
    QByteArray state;
    channel.Answer = [&](const QByteArray& written, int) {
      const auto decoded =
          OpenProtocolFrame::DecodeFrame(reinterpret_cast<const uint8_t*>(written.constData()), written.size());
      return c.reply(OpenProtocolText::PacketText(decoded.Packet).replace("??", "7"), state);
    };
    TLogLines log;
    TOpenProtocolDriver driver(&channel);
    driver.SetCommLog(&log);
    TOPVarList list;
    list.Add("SUMALPHA");
    list.Add("SUMBETA", "A001");
    list.Add("RADON");
    ASSERT_TRUE(driver.ReadVars(1, list));
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetItem(i)->Value, "7") << i;
    EXPECT_EQ(channel.Written.size(), c.requests);
    EXPECT_TRUE(log.Lines().contains(
        "-- " + Win1251::FromUnicode(QStringLiteral("ответ не на этот запрос: в нём нет SUMBETA:A001"))));
  }

  // Never the right answer: the read fails on the variable, whose value
  // stays, and names the cause.
  FChannel.Answer = [frame](const QByteArray&, int) { return frame("ALPHAALARM1ON=0;"); };
  TOPVarList list;
  list.Add("RADON", "", "kept");
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(list.GetItem(0)->Value, "kept");
  EXPECT_EQ(FChannel.Written.size(), 3);
  EXPECT_EQ(FDriver.LastFailure(), TOpenProtocolDriver::TFailure::NotAnswered);
  EXPECT_EQ(FDriver.FailedRequest(), "RADON=??;");

  // Several variables in one request: each must be answered.
  FDriver.SetPacking(true);
  FChannel.Answer = [frame](const QByteArray&, int n) { return frame(n == 5 ? "A=1;B=@@;" : "A=1;"); };
  TOPVarList packed;
  packed.Add("A");
  packed.Add("B", "", "old");
  EXPECT_TRUE(FDriver.ReadVars(1, packed));
  EXPECT_EQ(packed.GetItem(1)->Value, "");
}

TEST_F(DriverTest, PackModeZeroCollectsItemsUpToAbout127Characters) {
  FDriver.SetPacking(true);
  FChannel.Answer = [](const QByteArray& frame, int) { return Echo(frame, "9"); };
  TOPVarList list;
  for (int i = 0; i < 30; ++i) list.Add("VARIABLE" + QByteArray::number(i).rightJustified(2, '0'));
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  // "VARIABLEnn=??;" is 14 characters: ten items make 140 >= 127.
  ASSERT_EQ(FChannel.Written.size(), 3);
  EXPECT_EQ(FChannel.RequestText(1).count(';'), 10);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(list.GetItem(i)->Value, "9");
}

TEST_F(DriverTest, BlocksAreFetchedInOrderAndConcatenated) {
  FChannel.Answer = [](const QByteArray&, int n) {
    if (n == 1) return TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=##3;")};
    return TReply{TScriptedChannel::BlockFrame(static_cast<uint8_t>(n - 1),
                                               QByteArray(n == 4 ? 3 : 20, static_cast<char>('a' + n)))};
  };
  TRecordingBar bar(0, 100);
  FDriver.SetProgressBar(&bar);
  TOPVarList list;
  list.Add("SPECTRUM1");
  uint32_t size = 0;
  QByteArray data;
  ASSERT_TRUE(FDriver.ReadBlocks(1, list, size, data));
  EXPECT_EQ(size, 43u);
  EXPECT_EQ(data, QByteArray(20, 'c') + QByteArray(20, 'd') + QByteArray(3, 'e'));
  EXPECT_EQ(FChannel.RequestText(1), "SPECTRUM1=??##;");
  EXPECT_EQ(FChannel.RequestText(4), "SPECTRUM1=??#3;");
  EXPECT_EQ(bar.Positions, (std::vector<int>{33, 66, 100, 0}));
  // Block answers are logged in hexadecimal, 16 bytes a line.
  EXPECT_EQ(FComm.Lines().at(3), "<- 01 01 63 63 63 63 63 63 63 63 63 63 63 63 63 63 ");
  EXPECT_EQ(FComm.Lines().at(4), "<- 63 63 63 63 63 63 ");
}

TEST_F(DriverTest, AWrongBlockNumberIsRepeatedLikeABadChecksum) {
  FChannel.Answer = [](const QByteArray&, int n) {
    if (n == 1) return TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=##2;")};
    // Block 2 comes back numbered 3 once, then as itself.
    const uint8_t numbers[] = {0, 0, 1, 3, 2};
    return TReply{TScriptedChannel::BlockFrame(numbers[n], QByteArray(4, static_cast<char>('0' + numbers[n])))};
  };
  TOPVarList list;
  list.Add("SPECTRUM1");
  uint32_t size = 0;
  QByteArray data;
  ASSERT_TRUE(FDriver.ReadBlocks(1, list, size, data));
  EXPECT_EQ(data, "11112222");
  EXPECT_TRUE(FComm.Lines().contains("-- " + Win1251::FromUnicode(QStringLiteral("пришёл блок 3 вместо блока 2"))));
}

TEST_F(DriverTest, EveryBlockFaultFailsTheWholeTransfer) {
  struct Case {
    const char* what;
    std::function<TReply(int n)> answer;
  };
  const Case cases[] = {
      {"count 0", [](int) { return TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=##0;")}; }},
      {"no ##", [](int) { return TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=3;")}; }},
      {"block 2 numbered 3",
       [](int n) {
         return n == 1 ? TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=##3;")}
                       : TReply{TScriptedChannel::BlockFrame(static_cast<uint8_t>(n == 3 ? 3 : n - 1), "xy")};
       }},
      {"text answer to a block request",
       [](int n) { return TReply{TScriptedChannel::AnswerFrame(n == 1 ? "SPECTRUM1=##2;" : "SPECTRUM1=5;")}; }},
      {"more than the buffer holds",
       [](int n) {
         return n == 1 ? TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=##200;")}
                       : TReply{TScriptedChannel::BlockFrame(static_cast<uint8_t>(n - 1), QByteArray(253, 'z'))};
       }},
  };
  for (const Case& c : cases) {
    TScriptedChannel channel;
    channel.Answer = [&c](const QByteArray&, int n) { return c.answer(n); };
    TOpenProtocolDriver driver(&channel);
    TOPVarList list;
    list.Add("SPECTRUM1");
    uint32_t size = 99;
    QByteArray data = "earlier";
    EXPECT_FALSE(driver.ReadBlocks(1, list, size, data)) << c.what;
    EXPECT_EQ(size, 0u) << c.what;
    EXPECT_EQ(data, "earlier") << c.what;
  }
  // The buffer holds 32768 bytes: 129 full blocks are one too many.
  TScriptedChannel channel;
  channel.Answer = [](const QByteArray&, int n) {
    return n == 1 ? TReply{TScriptedChannel::AnswerFrame("SPECTRUM1=##200;")}
                  : TReply{TScriptedChannel::BlockFrame(static_cast<uint8_t>(n - 1), QByteArray(253, 'z'))};
  };
  TOpenProtocolDriver driver(&channel);
  TOPVarList list;
  list.Add("SPECTRUM1");
  uint32_t size = 0;
  QByteArray data;
  EXPECT_FALSE(driver.ReadBlocks(1, list, size, data));
  EXPECT_EQ(channel.Written.size(), 1 + 130);
  // Packing leaves block transfers as they are, one variable a request.
  driver.SetPacking(true);
  EXPECT_FALSE(driver.ReadBlocks(1, list, size, data));
  EXPECT_EQ(channel.RequestText(1 + 130 + 1), "SPECTRUM1=??##;");
}

TEST_F(DriverTest, FrameDumpsOfTheModeRequestAndAnswer) {
  FChannel.Answer = [](const QByteArray& frame, int) { return Echo(frame); };
  TOPVarList list;
  list.Add("MODE");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  const QByteArrayList expected = {
      "-> 01 00 0A 29 00 00 00 00  00 4D 4F 44 45 3D 3F 3F ",
      "   3B 6C 56 00 00                                   ",
      " ~ ...).... .MODE=??",
      "   ;lV..            ",
      "<- 00 01 09 26 00 00 00 00  00 4D 4F 44 45 3D 31 3B ",
      "   6C 23 00 00                                      ",
      " ~ ...&.... .MODE=1;",
      "   l#..             ",
  };
  EXPECT_EQ(FDump.Lines(), expected);
}

TEST_F(DriverTest, LogsKeepTheNewest8097Lines) {
  for (int i = 0; i < 8097; ++i) FComm.AppendLine(QByteArray::number(i));
  FChannel.Answer = [](const QByteArray& frame, int) { return Echo(frame); };
  TOPVarList list;
  list.Add("MODE");
  ASSERT_TRUE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FComm.LineCount(), 8097);
  EXPECT_EQ(FComm.Lines().first(), "2");
  EXPECT_EQ(FComm.Lines().last(), "<- MODE=1;");
}

TEST_F(DriverTest, StopBetweenRequestsFailsTheTransaction) {
  FChannel.Answer = [](const QByteArray& frame, int) { return Echo(frame); };
  int calls = 0;
  FDriver.SetBetweenRequests([&calls] { return ++calls < 2; });
  TOPVarList list;
  list.Add("A");
  list.Add("B");
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FChannel.Written.size(), 1);
  EXPECT_EQ(FComm.Lines().last(), "-- " + Win1251::FromUnicode(QStringLiteral("прервано оператором")));

  // A stop also comes between the attempts of a request.
  FChannel.Answer = nullptr;
  calls = 0;
  FDriver.SetBetweenRequests([&calls] { return ++calls < 2; });
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FChannel.Written.size(), 2);

  struct TFlag : TCancelFlag {
    bool Cancelled() const override { return true; }
  } cancel;
  FDriver.SetBetweenRequests(nullptr);
  FDriver.SetCancelButton(&cancel);
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FChannel.Written.size(), 2);
}

TEST_F(DriverTest, RequestObserverHearsEveryOutcome) {
  std::vector<bool> outcomes;
  FDriver.SetRequestFinished([&outcomes](bool answered) { outcomes.push_back(answered); });
  FChannel.Answer = [](const QByteArray& frame, int n) { return n == 1 ? Echo(frame) : TReply{}; };
  TOPVarList list;
  list.Add("A");
  list.Add("B");
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(outcomes, (std::vector<bool>{true, false}));
}

TEST_F(DriverTest, NoChannelFailsEveryAttempt) {
  FDriver.SetChannel(nullptr);
  TOPVarList list;
  list.Add("MODE");
  EXPECT_FALSE(FDriver.ReadVars(1, list));
  EXPECT_EQ(FComm.LineCount(), 6);
}

TEST_F(DriverTest, PackingIsTriedOnceASessionAndNeverPacksWrites) {
  // An installation that answers the first item of a request only, from the
  // device the request went to.
  const auto firstOnly = [](const QByteArray& frame, int) {
    const auto decoded =
        OpenProtocolFrame::DecodeFrame(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size());
    QByteArray text = OpenProtocolText::PacketText(decoded.Packet);
    text = text.left(text.indexOf(';') + 1).replace("??", "5");
    return TReply{TScriptedChannel::AnswerFrame(text, decoded.Packet.Destination)};
  };
  const auto fill = [](TOPVarList& abc) {
    for (const char* name : {"A", "B", "C"}) abc.Add(name, "", "old");
  };
  const QByteArray refusal =
      "-- " + Win1251::FromUnicode(
                  QStringLiteral("установка не отвечает на упакованные запросы, дальше запросы по одной переменной"));
  const struct {
    const char* what;
    std::function<void(TOpenProtocolDriver&, TScriptedChannel&)> then;
    uint8_t address;
    bool packedAgain;
  } rows[] = {
      {"packing left on", [](TOpenProtocolDriver& d, TScriptedChannel&) { d.SetPacking(true); }, 1, false},
      {"packing turned off and on",
       [](TOpenProtocolDriver& d, TScriptedChannel&) {
         d.SetPacking(false);
         d.SetPacking(true);
       },
       1, true},
      {"the port set up again", [](TOpenProtocolDriver& d, TScriptedChannel& c) { d.SetChannel(&c); }, 1, true},
      {"another device", [](TOpenProtocolDriver&, TScriptedChannel&) {}, 2, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TScriptedChannel channel;
    channel.Answer = firstOnly;
    TLogLines log;
    TOpenProtocolDriver driver(&channel);
    driver.SetCommLog(&log);
    driver.SetPacking(true);
    TOPVarList read;
    fill(read);
    ASSERT_TRUE(driver.ReadVars(1, read));
    // Three attempts of the packed request, then each item alone.
    ASSERT_EQ(channel.Written.size(), 3 + 3);
    EXPECT_EQ(channel.RequestText(1), "A=??;B=??;C=??;");
    EXPECT_EQ(channel.RequestText(4), "A=??;");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(read.GetItem(i)->Value, "5");
    EXPECT_EQ(log.Lines().count(refusal), 1);
    EXPECT_EQ(driver.PackMode(), 1);

    TOPVarList written;
    fill(written);
    ASSERT_TRUE(driver.WriteVars(1, written));
    ASSERT_EQ(channel.Written.size(), 6 + 3);
    EXPECT_EQ(channel.RequestText(7), "A=old;");

    row.then(driver, channel);
    TOPVarList again;
    fill(again);
    ASSERT_TRUE(driver.ReadVars(row.address, again));
    EXPECT_EQ(channel.RequestText(10), row.packedAgain ? "A=??;B=??;C=??;" : "A=??;");
  }
}
