// TLormanBootLoader's commands on a pseudo-terminal against a scripted device: the request bytes
// on the wire and how the frame check ends or fails the reading. Cases the simulator cannot
// produce (answers cut or padded at will) are scripted here.

#include "bootloader/boot_frame.h"
#include "bootloader/lorman_bootloader.h"
#include "bootloader/session_profiles.h"
#include "core/error.h"
#include "platform/timing.h"
#include "support/identity_answer.h"
#include "tests/integration/comport/pty_peer.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace zev::test {
namespace {

// A device that collects whole request frames and answers each with what pReply returns.
class TScriptedDevice {
public:
    using TReply = std::function<ABytes(const ABytes& frame)>;

    TScriptedDevice(TPty& pPty, TReply pReply)
        : FReply(std::move(pReply)), FPeer(pPty.master(), [this](TPeer& peer, const ABytes& piece) {
              FPending.insert(FPending.end(), piece.begin(), piece.end());
              // A frame is complete once its length byte's data and the check byte are in.
              while (FPending.size() >= 3 && FPending.size() >= FPending[1] + 3u) {
                  const ABytes frame(FPending.begin(), FPending.begin() + FPending[1] + 3);
                  FPending.erase(FPending.begin(), FPending.begin() + FPending[1] + 3);
                  {
                      std::lock_guard<std::mutex> lock(FLock);
                      FFrames.push_back(frame);
                  }
                  const ABytes answer = FReply(frame);
                  if (!answer.empty()) peer.Send(answer);
              }
          }) {}

    std::vector<ABytes> Frames() {
        std::lock_guard<std::mutex> lock(FLock);
        return FFrames;
    }

private:
    TReply FReply;
    ABytes FPending; // peer thread only
    std::mutex FLock;
    std::vector<ABytes> FFrames;
    TPeer FPeer; // last: its thread starts once everything above exists
};

class BootSession : public ::testing::Test {
protected:
    // A controller on the pty with the given profile, the way the workers set it up.
    void OpenWith(const TSessionParams& pProfile) {
        boot.SetSessionParam(pProfile);
        boot.Open(pty.slave(), TCustomComPortCtrl::kReadWrite, false);
        boot.SetSetup(BootPortSetup());
    }

    // Runs pCommand; returns its error message ("" on success) and its duration.
    std::string Run(const std::function<void()>& pCommand, double* pMs = nullptr) {
        const double start = PerfMilliseconds();
        std::string error;
        try {
            pCommand();
        } catch (const Error& e) {
            error = e.what();
        }
        if (pMs) *pMs = PerfMilliseconds() - start;
        return error;
    }

    TPty pty;
    TLormanBootLoader boot;
};

ABytes Pattern(std::size_t n, std::uint8_t seed) {
    ABytes d(n);
    for (std::size_t k = 0; k < n; ++k) d[k] = static_cast<std::uint8_t>(seed + 7 * k);
    return d;
}

TEST_F(BootSession, EachCommandSendsItsFrame) {
    TScriptedDevice device(pty, [](const ABytes&) { return ABytesFromBytes({0xF5, 0x00, 0x00}); });
    OpenWith(ProgSessionProfile());
    const ABytes flashData = Pattern(64, 1);
    const ABytes eepromData = Pattern(32, 9);
    EXPECT_EQ(Run([&] { boot.Flash(0x0440, flashData); }), "");
    EXPECT_EQ(Run([&] { boot.EEPROM(0x20, eepromData); }), "");
    EXPECT_EQ(Run([&] { boot.Reset(); }), "");
    EXPECT_EQ(Run([&] { boot.Flash(0xFFC1, {}); }), "") << "an odd address loses its low bit";

    const std::vector<ABytes> frames = device.Frames();
    ASSERT_EQ(frames.size(), 4u);
    // Flash: length 0x42, the word address 0x0220 as 20 02, the data, the check byte.
    ABytes flash = ABytesConcat(ABytesFromBytes({0xF2, 0x42, 0x20, 0x02}), flashData);
    flash.push_back(ABytesCRC8(flash));
    EXPECT_EQ(frames[0], flash);
    EXPECT_EQ(frames[0].size(), 69u);
    ABytes eeprom = ABytesConcat(ABytesFromBytes({0xF1, 0x21, 0x20}), eepromData);
    eeprom.push_back(ABytesCRC8(eeprom));
    EXPECT_EQ(frames[1], eeprom);
    EXPECT_EQ(frames[2], ABytesFromBytes({0xF3, 0x00, 0xCC}));
    EXPECT_EQ(frames[3], BootRequestFrame(2, ABytesFromBytes({0xE0, 0x7F})));
}

TEST_F(BootSession, ACompleteAnswerEndsTheReadingAtOnceAndKeepsWhatCameWithIt) {
    // The answer frame and two bytes more in one write; more bytes follow later.
    TScriptedDevice device(pty, [](const ABytes&) {
        return ABytesFromBytes({0xF0, 0x01, 0xAB, 0x00, 0x99, 0x98});
    });
    // A gap of 2 s between packets: a session that waited for it could not end within 1 s.
    TSessionParams profile = ProgSessionProfile();
    profile.BetPacks = 2000;
    OpenWith(profile);
    double ms = 0;
    ABytes answer;
    EXPECT_EQ(Run([&] { answer = boot.Session(0, {}, nullptr, true); }, &ms), "");
    EXPECT_EQ(answer, ABytesFromBytes({0xF0, 0x01, 0xAB, 0x00, 0x99, 0x98}));
    EXPECT_LT(ms, 1000) << "a complete frame does not wait for the gap between packets";
}

TEST_F(BootSession, AnIdentityAnswerIsDecodedAsSoonAsItIsIn) {
    TIdentityFields f;
    f.ID = 0x00C0FFEE;
    TScriptedDevice device(pty, [&](const ABytes&) { return IdentityAnswer(f); });
    TSessionParams profile = SearchSessionProfile();
    profile.BetPacks = 2000; // as above: waiting for the gap would take 2 s
    OpenWith(profile);
    double ms = 0;
    TLormanBootLoaderDevID id;
    EXPECT_EQ(Run([&] { id = boot.DeviceID(); }, &ms), "");
    EXPECT_EQ(id, DecodeDevID(IdentityAnswer(f)));
    EXPECT_EQ(id.dID, 0x00C0FFEE);
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(device.Frames(), (std::vector<ABytes>{ABytesFromBytes({0xF0, 0x00, 0x99})}));
}

struct BadAnswer {
    const char* name;
    ABytes answer;
    const char* error;
};

TEST_F(BootSession, MalformedAnswersFailWithTheirCodeAndAreNotSentAgain) {
    const ABytes identity49 = ABytesCopy(IdentityAnswer(), 0, 49);
    ABytes short49 = ABytesFromBytes({0xF0, 46});
    short49 = ABytesConcat(short49, ABytesCopy(identity49, 2, 46));
    short49.push_back(0x00); // a complete frame of 49 bytes
    const BadAnswer cases[] = {
        {"two bytes", {0xF0, 0x00}, "0x0101"},
        {"no F nibble", {0x7F, 0x00, 0x00}, "0x0102"},
        {"cut short", {0xF0, 0x05, 0x01, 0x02}, "0x0103"},
        {"identity of 49 bytes", short49, "0x0104"},
    };
    ABytes reply;
    std::mutex lock;
    TScriptedDevice device(pty, [&](const ABytes&) {
        std::lock_guard<std::mutex> guard(lock);
        return reply;
    });
    OpenWith(SearchSessionProfile());
    std::size_t sent = 0;
    for (const BadAnswer& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard<std::mutex> guard(lock);
            reply = c.answer;
        }
        double ms = 0;
        EXPECT_EQ(Run([&] { boot.DeviceID(); }, &ms), c.error);
        EXPECT_LT(ms, 700) << "an answer that came is not waited for again";
        ++sent;
        EXPECT_EQ(device.Frames().size(), sent) << "one request per command";
        SleepMs(20); // let any bytes beyond ReadCount arrive before the next purge
    }
    // The port stays usable after failed commands.
    {
        std::lock_guard<std::mutex> guard(lock);
        reply = ABytesFromBytes({0xF3, 0x00, 0x00});
    }
    EXPECT_EQ(Run([&] { boot.Reset(); }), "");
}

TEST_F(BootSession, IncompleteAnswerWaitsForTheGapBeforeFailing) {
    TScriptedDevice device(pty, [](const ABytes&) { return ABytesFromBytes({0xF0, 0x02, 0x01}); });
    OpenWith(ProgSessionProfile());
    double ms = 0;
    EXPECT_EQ(Run([&] { boot.Reset(); }, &ms), "0x0103");
    EXPECT_GE(ms, 95) << "an incomplete frame is read until 100 ms of silence";
    EXPECT_LT(ms, 700);
}

// Writes pieces to the device side of the pty, pGapMs apart, starting pDelayMs from now.
std::thread WritePieces(TPty& pPty, std::vector<ABytes> pPieces, double pDelayMs, double pGapMs) {
    return std::thread([&pPty, pPieces = std::move(pPieces), pDelayMs, pGapMs] {
        SleepMs(pDelayMs);
        for (const ABytes& piece : pPieces) {
            [[maybe_unused]] const auto n = ::write(pPty.master(), piece.data(), piece.size());
            SleepMs(pGapMs);
        }
    });
}

TEST_F(BootSession, AnswersArrivingInPiecesAreJoined) {
    TScriptedDevice device(pty, [](const ABytes&) { return ABytes{}; });
    OpenWith(ProgSessionProfile());
    // Three pieces 30 ms apart, less than the 100 ms gap that ends an answer.
    std::thread answerer = WritePieces(
        pty, {ABytesFromBytes({0xF2}), ABytesFromBytes({0x01, 0x55}), ABytesFromBytes({0x00})}, 50,
        30);
    ABytes answer;
    EXPECT_EQ(Run([&] { answer = boot.Session(2, ABytesFromWords({0}), nullptr, true); }), "");
    answerer.join();
    EXPECT_EQ(answer, ABytesFromBytes({0xF2, 0x01, 0x55, 0x00}));
}

TEST_F(BootSession, ReadingStopsAt64BytesEvenWhenTheFrameAnnouncesMore) {
    TScriptedDevice device(pty, [](const ABytes&) { return ABytes{}; });
    OpenWith(ProgSessionProfile());
    // A frame announcing 62 data bytes (65 in all) whose last byte comes late.
    ABytes first = ABytesFromBytes({0xF0, 62});
    first.resize(64, 0x11);
    std::thread answerer = WritePieces(pty, {first, ABytesFromBytes({0x22})}, 50, 60);
    // Had the reading gone on, the late byte would have completed the frame.
    EXPECT_EQ(Run([&] { boot.Reset(); }), "0x0103");
    answerer.join();
}

} // namespace
} // namespace zev::test
