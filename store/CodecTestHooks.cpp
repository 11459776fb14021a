#include "store/CodecTestHooks.h"

namespace pagecodec::detail {

pagecodec::WriteObserver g_writeObserver = nullptr;
FaultPlan g_fault;
std::atomic<bool> g_failRandomDraws{false};

} // namespace pagecodec::detail

namespace pagecodec {

using detail::g_fault;
using detail::g_writeObserver;

void setMainWriteObserver(WriteObserver observer)
{
    g_writeObserver = observer;
}

void injectFault(FileOp op, long long nth, int resultCode)
{
    g_fault.armed = false;
    g_fault.op = op;
    g_fault.nth = nth;
    g_fault.resultCode = resultCode;
    g_fault.seen = 0;
    g_fault.met = false;
    g_fault.armed = nth > 0;
}

bool faultMet()
{
    return g_fault.met;
}

void failRandomDraws(bool fail)
{
    detail::g_failRandomDraws = fail;
}
} // namespace pagecodec
