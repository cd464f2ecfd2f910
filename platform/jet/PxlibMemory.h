// The memory pxlib takes for one document (or for a table and its index),
// handed to PX_new3 as the document's allocator and user data. pxlib frees
// some of its memory twice when it gives up on a damaged file (on the way
// out of the failed call and again in PX_delete), and does not free what it
// took for streams it was given: here memory is freed once, and what pxlib
// leaves behind is freed with this object, which must outlive the document.
// Its first message is kept: pxlib's calls answer only success or failure.
#pragma once

// pxlib declares its functions without C linkage of their own.
extern "C" {
#include <paradox.h>
}

#include <cstdlib>
#include <string>
#include <unordered_set>

namespace jet {

struct PxlibMemory {
    std::string Error;
    std::unordered_set<void*> Taken;

    PxlibMemory() = default;
    PxlibMemory(const PxlibMemory&) = delete;
    PxlibMemory& operator=(const PxlibMemory&) = delete;
    ~PxlibMemory()
    {
        for (void* memory : Taken)
            std::free(memory);
    }

    // The memory of a document made with it; null while pxlib makes the
    // document itself.
    static PxlibMemory* Of(pxdoc_t* doc) { return doc ? static_cast<PxlibMemory*>(PX_get_opaque(doc)) : nullptr; }

    static void KeepError(pxdoc_t*, int, const char* message, void* data)
    {
        std::string& error = static_cast<PxlibMemory*>(data)->Error;
        if (error.empty())
            error = message && *message ? message : "unknown error";
    }
    static void* Allocate(pxdoc_t* doc, std::size_t size, const char*)
    {
        void* memory = std::calloc(1, size);
        if (PxlibMemory* own = Of(doc); own && memory)
            own->Taken.insert(memory);
        return memory;
    }
    static void* Reallocate(pxdoc_t* doc, void* memory, std::size_t size, const char*)
    {
        PxlibMemory* own = Of(doc);
        if (own && memory && !own->Taken.count(memory))
            return nullptr;  // freed already
        void* moved = std::realloc(memory, size);
        if (own && moved) {
            own->Taken.erase(memory);
            own->Taken.insert(moved);
        }
        return moved;
    }
    static void Free(pxdoc_t* doc, void* memory)
    {
        PxlibMemory* own = memory == doc ? nullptr : Of(doc);
        if (!own || own->Taken.erase(memory))
            std::free(memory);
    }
    // A new document whose memory this is.
    pxdoc_t* NewDocument() { return PX_new3(KeepError, Allocate, Reallocate, Free, this); }
};

} // namespace jet
