// Frames handed to the player carry their own release function.
#include <cstring>

#include "osal/LLog.h"
#include "vrio/osal.h"
#include "vrio/zeq_net_api.h"

namespace {
void ReleaseFrame(vrio_frame* frame) {
    if (!frame) return;
    osal_free(frame->data);
    osal_free(frame);
}
}  // namespace

extern "C" vrio_frame* alloc_frame(const void* src, int size, int type, int uid) {
    if (size < 0) {
        VLOGE("alloc_frame: invalid size %d\n", size);
        return nullptr;
    }
    auto* frame = static_cast<vrio_frame*>(osal_malloc(static_cast<int>(sizeof(vrio_frame))));
    if (!frame) return nullptr;
    std::memset(frame, 0, sizeof(*frame));
    if (size > 0) {
        frame->data = static_cast<uint8_t*>(osal_malloc(size));
        if (!frame->data) {
            osal_free(frame);
            return nullptr;
        }
        if (src) std::memcpy(frame->data, src, static_cast<size_t>(size));
        else std::memset(frame->data, 0, static_cast<size_t>(size));
    }
    frame->size = static_cast<uint32_t>(size);
    frame->type = type;
    frame->uid = static_cast<uint32_t>(uid);
    frame->release = ReleaseFrame;
    return frame;
}
