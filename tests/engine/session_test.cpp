#include "EngineTestUtil.h"

#include "common/Failure.h"
#include "playback/engine/FadeMailbox.h"
#include "playback/engine/Session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

// The session's state machine alone: outputs are fakes the test opens,
// pulls, loses and drains by hand, and the clock is the test's. Nothing
// sleeps.

namespace
{

using namespace std::chrono_literals;

struct Script;

class FakeOutput : public AudioOutput
{
public:
    FakeOutput(Script& script, Status answer) : m_script(script), m_answer(answer) {}
    ~FakeOutput() override;

    Status open(const Notify& told) override
    {
        ++opens;
        notify = told;
        return m_answer;
    }
    int rate() const override { return 48000; }
    bool start(Pull p) override
    {
        pull = std::move(p);
        return true;
    }
    void close() override { closed = true; }
    bool appliesVolume() const override { return false; }
    bool tellsLoss() const override { return true; }
    bool fadeOut() override { return false; }
    void drain() override { draining = true; }
    bool drained() const override { return isDrained; }
    bool lost() override { return isLost; }

    // The output's side: one pull of `frames` frames.
    std::vector<float> take(size_t frames, bool* more = nullptr)
    {
        std::vector<float> out(frames * 2);
        const bool m = pull(out.data(), frames);
        if (more)
            *more = m;
        return out;
    }

    Script& m_script;
    Status m_answer;
    Notify notify;
    Pull pull;
    int opens = 0;
    bool closed = false;
    bool draining = false;
    bool isDrained = false;
    bool isLost = false;
};

// What the next outputs answer, and every output made.
struct Script {
    std::vector<AudioOutput::Status> answers; // the last one repeats
    std::vector<FakeOutput*> made;
    OutputMaker maker()
    {
        return [this] {
            const size_t i = std::min(made.size(), answers.size() - 1);
            auto out = std::make_unique<FakeOutput>(*this, answers[i]);
            made.push_back(out.get());
            return out;
        };
    }
    FakeOutput& last() { return *made.back(); }
};

FakeOutput::~FakeOutput()
{
    std::replace(m_script.made.begin(), m_script.made.end(), this,
                 static_cast<FakeOutput*>(nullptr));
}

class SessionTest : public ::testing::Test
{
protected:
    SessionTest()
    {
        link.volume = 100;
        link.wake = [this] { ++wakes; };
        link.tellOutput = [this](bool had) { told.push_back(had); };
        link.now = [this] { return clock; };
    }

    std::unique_ptr<Session> make(Session::Opener opener, const EdgeFade& fade = {})
    {
        link.outputs = {script.maker()};
        return std::make_unique<Session>(link, "f", std::move(opener), fade);
    }
    static Session::Opener steady(float level)
    {
        return [level] { return OpenedSound{std::make_unique<SignalSource>(level), 44100}; };
    }

    Script script;
    SessionLink link;
    SteadyClock::time_point clock{};
    std::atomic<int> wakes{0};
    std::vector<bool> told;
};

TEST_F(SessionTest, OpensOnItsFirstServeAndAnUnplayableFileEndsThere)
{
    script.answers = {AudioOutput::Status::Opened};
    int opened = 0;
    auto s = make([&] {
        ++opened;
        return OpenedSound{std::make_unique<SignalSource>(0.5f), 44100};
    });
    EXPECT_EQ(s->phase(), Session::Opening);
    EXPECT_EQ(opened, 0) << "opened on the thread that made it";
    EXPECT_FALSE(s->serve()); // a server that tells its loss: no timer
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(s->phase(), Session::Playing);
    ASSERT_EQ(script.made.size(), 1u);
    // Past the start's short fade-in, the source at full volume, resampled
    // to the output's rate.
    const auto frames = script.last().take(4800);
    EXPECT_NEAR(frames[2 * 4000], 0.5f, 1e-3f);
    EXPECT_TRUE(s->started());
    s->serve();
    EXPECT_EQ(opened, 1) << "opened once";

    auto bad = make([]() -> OpenedSound { throw Failure("no sound"); });
    EXPECT_FALSE(bad->serve());
    EXPECT_EQ(bad->phase(), Session::Unplayable);
    clock += 1h;
    EXPECT_FALSE(bad->serve());
    EXPECT_EQ(script.made.size(), 1u) << "an output was opened for a file that cannot play";
}

TEST_F(SessionTest, NoOutputIsTriedAgainLessAndLessOftenAndToldOnce)
{
    script.answers = {AudioOutput::Status::Unavailable};
    auto s = make(steady(0.5f));
    auto at = s->serve();
    EXPECT_EQ(s->phase(), Session::Waiting);
    std::vector<long> gaps;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(at);
        const auto gap = *at - clock;
        gaps.push_back(long(std::chrono::duration_cast<std::chrono::seconds>(gap).count()));
        // Served early (another wake-up): nothing is tried.
        const size_t tries = script.made.size();
        clock += gap / 2;
        EXPECT_EQ(s->serve(), at);
        EXPECT_EQ(script.made.size(), tries);
        clock = *at;
        at = s->serve();
        EXPECT_EQ(script.made.size(), tries + 1);
    }
    EXPECT_EQ(gaps, (std::vector<long>{2, 2, 2, 4, 8, 10, 10, 10}));
    ASSERT_FALSE(told.empty());
    EXPECT_FALSE(told.back()) << "the missing output is not told";

    // Back: plays at the next try, and a later loss starts at 2 s again.
    script.answers = {AudioOutput::Status::Opened};
    clock = *at;
    EXPECT_FALSE(s->serve());
    EXPECT_EQ(s->phase(), Session::Playing);
    EXPECT_TRUE(told.back()) << "the output's return is not told";
    script.answers = {AudioOutput::Status::Unavailable};
    script.last().isLost = true;
    at = s->serve();
    EXPECT_EQ(s->phase(), Session::Lost);
    ASSERT_TRUE(at);
    EXPECT_EQ(*at - clock, SteadyClock::duration(2s));
}

TEST_F(SessionTest, WaitingOutputIsKeptAndPlaysWhenItNotifies)
{
    script.answers = {AudioOutput::Status::Waiting};
    auto s = make(steady(0.5f));
    s->serve();
    EXPECT_EQ(s->phase(), Session::Waiting);
    ASSERT_EQ(script.made.size(), 1u);
    FakeOutput& waited = script.last();
    EXPECT_TRUE(told.empty()) << "an output that waits is not missing";

    // Its notification: the same connection is asked again, and plays.
    waited.m_answer = AudioOutput::Status::Opened;
    waited.notify();
    EXPECT_EQ(wakes.load(), 1);
    s->serve();
    EXPECT_EQ(script.made.size(), 1u);
    EXPECT_EQ(waited.opens, 2);
    EXPECT_EQ(s->phase(), Session::Playing);
}

TEST_F(SessionTest, LostOutputIsReplacedAndTheFileCarriesOn)
{
    script.answers = {AudioOutput::Status::Opened};
    auto s = make(steady(0.25f));
    s->serve();
    FakeOutput* first = &script.last();
    first->take(4800);
    first->isLost = true;
    first->notify();
    s->serve();
    EXPECT_EQ(script.made.size(), 2u);
    EXPECT_EQ(script.made[0], nullptr) << "the lost output was not let go";
    EXPECT_EQ(s->phase(), Session::Playing);
    // The new output starts with the start's short fade-in, then the level.
    const auto frames = script.last().take(4800);
    EXPECT_LT(std::abs(frames[0]), 0.05f);
    EXPECT_NEAR(frames[2 * 4000], 0.25f, 1e-3f);
}

TEST_F(SessionTest, FileThatEndsDrainsThenEnds)
{
    script.answers = {AudioOutput::Status::Opened};
    auto s = make([] {
        return OpenedSound{std::make_unique<VectorSource>(std::vector<float>(2 * 4410, 0.5f)),
                           44100};
    });
    s->serve();
    FakeOutput& out = script.last();
    bool more = true;
    for (int i = 0; i < 10 && more; ++i)
        out.take(1024, &more);
    ASSERT_FALSE(more) << "0.1 s of sound never ended";
    EXPECT_GE(wakes.load(), 1) << "the end did not wake the player";
    EXPECT_FALSE(s->serve());
    EXPECT_TRUE(out.draining);
    EXPECT_EQ(s->phase(), Session::Playing) << "ended before the queue played out";
    out.isDrained = true;
    s->serve();
    EXPECT_EQ(s->phase(), Session::Ended);
    EXPECT_EQ(script.made[0], nullptr);
}

TEST_F(SessionTest, StopFadesOutWhatPlaysBeforeTheOutputCloses)
{
    script.answers = {AudioOutput::Status::Opened};
    auto s = make(steady(0.5f));
    s->serve();
    FakeOutput& out = script.last();
    out.take(4800);
    // The output's own thread pulls until the fade is done; halt() waits
    // for it rather than closing on a sound.
    std::vector<float> heard;
    std::thread output([&] {
        bool more = true;
        int quiet = 0;
        while (quiet < 2) {
            const auto block = out.take(256, &more);
            heard.insert(heard.end(), block.begin(), block.end());
            quiet += more ? 0 : 1;
        }
    });
    s->halt(true);
    output.join();
    EXPECT_EQ(script.made[0], nullptr) << "closed before the fade played";
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(heard[heard.size() - 1], 0.0f);
    EXPECT_LE(maxStep(heard, 0, heard.size() / 2), 0.5f / 100) << "the stop clicks";
}

TEST_F(SessionTest, PlayWindowEdgesReachThePullAndALaterOutput)
{
    script.answers = {AudioOutput::Status::Opened};
    auto s = make(steady(0.5f));
    s->serve();
    script.last().take(4800);
    // The window ends now: silence within a pull or two.
    s->tell(EdgeFade{0.0, 1.0, 0.0});
    script.last().take(4800);
    EXPECT_EQ(script.last().take(480)[2 * 400], 0.0f);

    // Told a fade-out that ends 10 s from then; a new output 10 s later
    // starts where the fade is: silent.
    s->tell(EdgeFade{0.0, 60.0, 10.0});
    clock += 10s;
    script.last().isLost = true;
    s->serve();
    script.last().take(4800);
    EXPECT_EQ(script.last().take(480)[2 * 400], 0.0f);
}

// A writer that always writes a fade-in equal to its fade-out: a reader
// that ever sees them differ took half of one edge and half of the next.
TEST(FadeMailbox, ReadersNeverSeeATornEdge)
{
    FadeMailbox box;
    std::atomic<bool> enough{false};
    std::atomic<int> written{0};
    std::thread writer([&] {
        for (int i = 1; !enough.load(); ++i) {
            box.put({EdgeFade{double(i), double(i), double(i)}, i});
            written = i;
        }
    });
    unsigned seen = 0;
    long taken = 0;
    double last = 0;
    while (taken < 2000) {
        FadeMailbox::Told t;
        if (!box.takeNew(seen, t))
            continue;
        ASSERT_EQ(t.fade.in, t.fade.out);
        ASSERT_EQ(t.fade.in, double(t.when));
        ASSERT_GT(t.fade.in, last) << "an older edge after a newer one";
        last = t.fade.in;
        ++taken;
    }
    enough = true;
    writer.join();
    EXPECT_EQ(box.latest().fade.untilEnd, double(written.load()));
}

} // namespace
