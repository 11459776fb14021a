#pragma once

// The seams the crash and I/O-fault tests reach through PageCodec.h, as the file
// layer sees them: a write observer and one armed fault.

#include "store/PageCodec.h"

#include <sqlite3.h>

#include <atomic>

namespace pagecodec::detail {

extern pagecodec::WriteObserver g_writeObserver;
extern std::atomic<bool> g_failRandomDraws;

struct FaultPlan
{
    std::atomic<bool> armed{false};
    pagecodec::FileOp op = pagecodec::FileOp::Read;
    long long nth = 0;
    int resultCode = SQLITE_IOERR;
    std::atomic<long long> seen{0};
    std::atomic<bool> met{false};
};
extern FaultPlan g_fault;

// SQLITE_OK, or the injected failure when this call is the armed one.
inline int injectedFault(pagecodec::FileOp op)
{
    if (!g_fault.armed.load(std::memory_order_relaxed) || g_fault.op != op)
        return SQLITE_OK;
    if (g_fault.seen.fetch_add(1) + 1 != g_fault.nth)
        return SQLITE_OK;
    g_fault.met = true;
    return g_fault.resultCode;
}

} // namespace pagecodec::detail
