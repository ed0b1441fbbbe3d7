// The annotation container reader on any text. The directory never leads outside the text; a
// container written from what was read reads back as the same container; and the objects built
// from each set, saved and built again, give the same records.

#include "fuzz/FuzzCheck.h"
#include "glosa32/Container.h"
#include "glosa32/Instance.h"
#include "glosa32/glosa32.h"
#include "platform/UserPrompt.h"

#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Tonlyra::Glosa;

namespace {

constexpr intptr_t First = 1;
constexpr intptr_t Second = 2;

bool SameSets(const SetList& a, const SetList& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Index != b[i].Index || a[i].Block != b[i].Block)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and pictures need the GUI library; a picture that cannot be loaded is told to a
    // responder that answers at once.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv);
    Tonlyra::UserPrompt::SetResponder(
        [](const Tonlyra::PromptRequest&) { return Tonlyra::PromptAnswer{}; });
    InitAnnotation(First, nullptr, 0, nullptr, "");
    InitAnnotation(Second, nullptr, 0, nullptr, "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SetList sets = ReadContainer(text);
    for (const SetEntry& set : sets)
        FUZZ_CHECK(set.Block.size() <= size);
    FUZZ_CHECK(SameSets(ReadContainer(WriteContainer(sets)), sets));

    AnnotationInstance& first = *FindInstance(First);
    AnnotationInstance& second = *FindInstance(Second);
    for (const SetEntry& set : sets) {
        first.Clear(false);
        first.LoadBlock(set.Block);
        FUZZ_CHECK(first.Count() <= MaxObjects);
        const std::string saved = first.Block();
        second.Clear(false);
        second.LoadBlock(saved);
        FUZZ_CHECK(second.Count() == first.Count());
        const std::string again = second.Block();
        if (again != saved)
            std::fprintf(stderr, "saved:\n%s\nread back and saved again:\n%s\n", saved.c_str(),
                         again.c_str());
        FUZZ_CHECK(again == saved);
    }
    return 0;
}
