// The host's view of the library: it is loaded by name and exports exactly its 34 entry points.

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Library, LoadsByNameAndHasEveryEntryPoint)
{
    void* handle = dlopen(GLOSA32_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    const char* names[] = {
        "MouseMon",
        "IsAnnotation",
        "InitAnnotation",
        "DestroyAnnotation",
        "DrawAnnotation",
        "HardDrawAnnotation",
        "MenuMsg",
        "LoadAnnotation",
        "SaveAnnotation",
        "ClearAnnotation",
        "RubberBandOFF",
        "StreamSaveAnnotation",
        "StreamLoadAnnotation",
        "CreateRectangle",
        "CreateEllipse",
        "CreateHilite",
        "CreateLine",
        "CreatePointer",
        "CreatePolyline",
        "CreateFreehand",
        "CreatePolygon",
        "CreateImage",
        "CreateLabel",
        "CreateNotes",
        "CreateStamp",
        "RemoveAnnotation",
        "StreamRemoveAnnotation",
        "InsertAnnotation",
        "StreamInsertAnnotation",
        "ExchangeAnnotation",
        "StreamExchangeAnnotation",
        "CopyAnnotation",
        "StreamCopyAnnotation",
        "DeleteByIndex",
    };
    static_assert(std::size(names) == 34);
    for (const char* name : names)
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    EXPECT_EQ(dlsym(handle, "_ZN7Tonlyra5Glosa12FindInstanceEl"), nullptr); // internals hidden

    using Init = void (*)(intptr_t, void*, intptr_t, void (*)(intptr_t), const char*);
    using Count = int32_t (*)(intptr_t);
    using Line =
        int32_t (*)(intptr_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t);
    auto init = reinterpret_cast<Init>(dlsym(handle, "InitAnnotation"));
    auto count = reinterpret_cast<Count>(dlsym(handle, "IsAnnotation"));
    auto line = reinterpret_cast<Line>(dlsym(handle, "CreateLine"));
    auto destroy = reinterpret_cast<void (*)(intptr_t)>(dlsym(handle, "DestroyAnnotation"));
    init(1, nullptr, 0, nullptr, "");
    EXPECT_EQ(line(1, 0, 0, 5, 5, 1, 0, 0), 0);
    EXPECT_EQ(count(1), 1);
    destroy(1);
    EXPECT_EQ(dlclose(handle), 0);
}

} // namespace
