#include "support/FileContents.h"
#include "support/LoadText.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <random>
#include <thread>

namespace {

const char* const kFixtures[] = {"lex", "materials", "primitives", "mesh", "figure", "scene"};

std::string fixture(const char* name)
{
    return testsupport::readFile(std::string(PELVAXON_TEST_DATA_DIR) + "/an8/" + name + ".an8");
}

// Aborts the whole run when one load takes longer than a second: a hang must fail loudly
// rather than wait for the suite's time-out.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              std::unique_lock lock(mutex_);
              while (!stop_) {
                  const long long seen = cases_;
                  if (wake_.wait_for(lock, std::chrono::seconds(1), [&] { return stop_ || cases_ != seen; }))
                      continue;
                  std::cerr << "load hung on: " << current_ << std::endl;
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void starting(const std::string& what)
    {
        {
            std::lock_guard lock(mutex_);
            ++cases_;
            current_ = what;
        }
        wake_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    long long cases_ = 0;
    bool stop_ = false;
    std::string current_;
    std::thread thread_;
};

// Every load ends in a model or in exactly one "error N" message.
void expectModelOrError(const std::string& text, const std::string& what)
{
    LoadText load(text);
    if (load.model)
        return;
    ASSERT_TRUE(load.error.failed()) << what;
    ASSERT_FALSE(load.messages.empty()) << what;
    ASSERT_EQ(load.messages.back().rfind("error " + std::to_string(load.error.number) + "\n", 0), 0u) << what;
}

TEST(An8Sweep, EveryPrefixOfEveryFixtureEndsInAModelOrAnError)
{
    Watchdog watchdog;
    for (const char* name : kFixtures) {
        const std::string text = fixture(name);
        ASSERT_FALSE(text.empty()) << name;
        for (std::size_t length = 0; length <= text.size(); ++length) {
            const std::string what = std::string(name) + " cut at " + std::to_string(length);
            watchdog.starting(what);
            expectModelOrError(text.substr(0, length), what);
        }
    }
}

std::string mutate(std::string text, std::mt19937& random)
{
    static const std::string kSyntax = "{}()\"";
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        const std::size_t at = random() % text.size();
        switch (random() % 6) {
        case 0: text[at] = static_cast<char>(text[at] ^ (1 << (random() % 8))); break;
        case 1: {   // delete a brace, parenthesis or quote
            const std::size_t found = text.find_first_of(kSyntax, at);
            if (found != std::string::npos)
                text.erase(found, 1);
            break;
        }
        case 2: {   // duplicate one
            const std::size_t found = text.find_first_of(kSyntax, at);
            if (found != std::string::npos)
                text.insert(found, 1, text[found]);
            break;
        }
        case 3: {   // digits become letters
            const std::size_t found = text.find_first_of("0123456789", at);
            if (found != std::string::npos)
                text[found] = static_cast<char>('a' + text[found] - '0');
            break;
        }
        case 4: {   // duplicate a chunk
            const std::size_t open = text.find('{', at);
            const std::size_t close = open == std::string::npos ? open : text.find('}', open);
            if (close != std::string::npos)
                text.insert(close + 1, text.substr(at, close + 1 - at));
            break;
        }
        default: text.insert(at, 1, kSyntax[random() % kSyntax.size()]); break;
        }
    }
    return text;
}

TEST(An8Sweep, MutatedFixturesEndInAModelOrAnError)
{
    Watchdog watchdog;
    std::mt19937 random(20261209);
    std::vector<std::string> texts;
    for (const char* name : kFixtures)
        texts.push_back(fixture(name));
    for (int round = 0; round < 20000; ++round) {
        const std::size_t which = round % texts.size();
        const std::string text = mutate(texts[which], random);
        const std::string what = std::string(kFixtures[which]) + " mutation " + std::to_string(round);
        watchdog.starting(what);
        expectModelOrError(text, what);
    }
}

// Named regressions: each of these once spun for ever or ran past its buffer.
TEST(An8Sweep, EndOfDataInsideStringsAndCommentsEnds)
{
    Watchdog watchdog;
    for (const char* text : {"object { \"a\"\"b\"", "object { \"x\"y\"", "\"a\"\"b\"", "object { \"abc",
                             "object { /* open", "/*", "\"", "object { \"o\" sphere { name { \"a\"\"\" } } }"}) {
        watchdog.starting(text);
        expectModelOrError(text, text);
    }
}

} // namespace
