// The container reader and record builders over thousands of mutations of valid containers:
// whatever the text, loading ends, reads nothing outside its input and keeps the list sound.

#include "glosa32/Container.h"
#include "glosa32/Instance.h"
#include "glosa32/glosa32.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace Tonlyra::Glosa;

namespace {

std::string Seed()
{
    const char* records[] = {
        "[RECTANGLE] 10 20 100 50 1 0 1 100 FF FFFFFF",
        "[ELLIPSE] 1 2 3 4 5 1 2 5 FF00 FF",
        "[HILITE] 1 2 3 4 FFFF",
        "[LINE] 1 2 3 4 5 1 AB",
        "[POINTER] 4 3 2 1 2 0 0",
        "[POLYLINE] 2 1 0 FF\a 1 2 \a 3 4 ",
        "[FREEHAND] 3 4 1 0\a 1 1 \a 2 2 \a 3 3 ",
        "[POLYGON] 3 1 0 2 4 FF FFFF\a 0 0 \a 10 0 \a 5 9 ",
        "[LABEL] 0 5 6 70 20 8000FF 8000FF 0 -16 0 0 0 700 1 0 0 0 0 0 0 0 \aArial\aHello",
        "[NOTES] 0 5 6 70 20 FFFF FFFF FF 16 0 0 0 0 0 0 0 0 0 0 0 0 \aSans\aone\x01two",
        "[STAMP] 3 4 \aNAME\atext",
    };
    SetList sets;
    std::string block;
    for (const char* r : records)
        block += BlockLine(r);
    sets.push_back({0, block});
    sets.push_back({1, BlockLine(records[0]) + BlockLine(records[5])});
    sets.push_back({2, block});
    return WriteContainer(sets);
}

std::string Mutate(std::string text, std::mt19937& rng)
{
    static const char pieces[] = "0123456789 -[]\a\n\x01\xFFX99999999999";
    const int edits = 1 + int(rng() % 8);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        const std::size_t at = rng() % text.size();
        switch (rng() % 6) {
        case 0:
            text[at] = pieces[rng() % (sizeof pieces - 1)];
            break;
        case 1:
            text.erase(at, 1 + rng() % 20);
            break;
        case 2:
            text.insert(at, 1 + rng() % 12, pieces[rng() % (sizeof pieces - 1)]);
            break;
        case 3:
            text.resize(at);
            break;
        case 4:
            text.insert(at, "-2147483648");
            break;
        default:
            text.insert(at, std::to_string(int(rng())));
        }
    }
    return text;
}

TEST(Fuzz, MutatedContainersLoadSafely)
{
    Tonlyra::Test::ScriptedPrompts prompts;
    prompts.AllowUnanswered();
    constexpr intptr_t key = 5;
    InitAnnotation(key, nullptr, 0, nullptr, "");
    const std::string seed = Seed();
    std::mt19937 rng(20240601);
    for (int round = 0; round < 4000; ++round) {
        const std::string text = Mutate(seed, rng);
        // An exact-size copy, so that the sanitizer sees any read past its end.
        std::vector<char> buffer(text.begin(), text.end());
        ClearAnnotation(key);
        for (int set = 0; set < 3; ++set)
            StreamLoadAnnotation(key, set, buffer.data(), int32_t(buffer.size()));
        ASSERT_LE(IsAnnotation(key), MaxObjects);
        // Whatever was loaded can be saved and read back whole.
        std::vector<char> out(1 << 20);
        if (IsAnnotation(key) > 0) {
            const int32_t n = StreamSaveAnnotation(key, 0, out.data(), int32_t(out.size()));
            ASSERT_GT(n, 0);
            const int count = IsAnnotation(key);
            ClearAnnotation(key);
            EXPECT_EQ(StreamLoadAnnotation(key, 0, out.data(), n + 1), count) << round;
        }
        char* writable = buffer.data();
        StreamInsertAnnotation(key, 1, writable, int32_t(buffer.size()));
        StreamExchangeAnnotation(key, 0, 2, writable, int32_t(buffer.size()));
        StreamRemoveAnnotation(key, 0, writable, int32_t(buffer.size()));
    }
    DestroyAnnotation(key);
}

} // namespace
