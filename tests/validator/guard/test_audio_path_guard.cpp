// The audio path allocates nothing, takes no lock and makes no system call:
// effProcessEvents, processReplacing and the setParameter calls a host makes
// between blocks run under guards that count
//   - every allocation: the global operator new (all forms) and, in builds
//     without a sanitizer, malloc and its relatives;
//   - every mutex and rwlock acquisition (builds without a sanitizer);
//   - every system call of the audio thread (a seccomp filter that traps each
//     one into a handler that counts it and then makes it on its behalf).
// Only the host's own callback may be reached, and only for the time query
// at note-on and the display update after a MIDI program change.
#include "support/ValidatorHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <new>
#include <pthread.h>
#include <random>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VALIDATOR_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VALIDATOR_SANITIZED 1
#endif
#endif
#ifndef VALIDATOR_SANITIZED
#define VALIDATOR_SANITIZED 0
#endif

#if defined(__x86_64__) && defined(__linux__)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>
#define VALIDATOR_SECCOMP 1
#else
#define VALIDATOR_SECCOMP 0
#endif

using namespace validator;

// ------------------------------------------------------------ the counters

namespace {
// Set only while the plug-in is inside an audio-path call on the guarded
// thread; the test's own work between calls is not counted.
std::atomic<bool> guarded{false};
std::atomic<long> allocations{0};
std::atomic<long> locks{0};

inline void countAllocation()
{
    if (guarded.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

void* operator new(std::size_t size)
{
    countAllocation();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    countAllocation();
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(std::size_t size, std::align_val_t align)
{
    countAllocation();
    const std::size_t a = std::max(std::size_t(align), sizeof(void*));
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

#if !VALIDATOR_SANITIZED
// The C allocator and the pthread locks, replaced for the whole process (the
// module resolves them to these definitions) and forwarded to glibc.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t n, size_t size)
{
    countAllocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size)
{
    countAllocation();
    return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
void* memalign(size_t align, size_t size)
{
    countAllocation();
    return __libc_memalign(align, size);
}
void* aligned_alloc(size_t align, size_t size)
{
    countAllocation();
    return __libc_memalign(align, size);
}
int posix_memalign(void** out, size_t align, size_t size)
{
    countAllocation();
    void* p = __libc_memalign(align, size);
    if (p == nullptr)
        return ENOMEM;
    *out = p;
    return 0;
}
}

// glibc's own entry points, bound at link time by version so that no lookup
// is needed before main. The version is glibc's first on the architecture
// (2.2.5 on x86-64, 2.17 on aarch64).
#if defined(__aarch64__)
#define VALIDATOR_GLIBC_BASE "GLIBC_2.17"
#else
#define VALIDATOR_GLIBC_BASE "GLIBC_2.2.5"
#endif
extern "C" int validator_real_mutex_lock(pthread_mutex_t*);
extern "C" int validator_real_mutex_trylock(pthread_mutex_t*);
extern "C" int validator_real_rdlock(pthread_rwlock_t*);
extern "C" int validator_real_wrlock(pthread_rwlock_t*);
__asm__(".symver validator_real_mutex_lock, __pthread_mutex_lock@" VALIDATOR_GLIBC_BASE);
__asm__(".symver validator_real_mutex_trylock, __pthread_mutex_trylock@" VALIDATOR_GLIBC_BASE);
__asm__(".symver validator_real_rdlock, __pthread_rwlock_rdlock@" VALIDATOR_GLIBC_BASE);
__asm__(".symver validator_real_wrlock, __pthread_rwlock_wrlock@" VALIDATOR_GLIBC_BASE);

namespace {
inline void countLock()
{
    if (guarded.load(std::memory_order_relaxed))
        locks.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m)
{
    countLock();
    return validator_real_mutex_lock(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m)
{
    countLock();
    return validator_real_mutex_trylock(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l)
{
    countLock();
    return validator_real_rdlock(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l)
{
    countLock();
    return validator_real_wrlock(l);
}
}
#endif

// ---------------------------------------------------- system-call tracing

#if VALIDATOR_SECCOMP
// Makes a system call from one known place, which the filter lets through.
extern "C" long validator_raw_syscall(long nr, long a, long b, long c, long d, long e, long f);
extern "C" char validator_raw_syscall_begin[], validator_raw_syscall_end[];
asm(R"(
    .text
    .globl validator_raw_syscall
    .hidden validator_raw_syscall
    .type validator_raw_syscall, @function
validator_raw_syscall:
validator_raw_syscall_begin:
    movq %rdi, %rax
    movq %rsi, %rdi
    movq %rdx, %rsi
    movq %rcx, %rdx
    movq %r8, %r10
    movq %r9, %r8
    movq 8(%rsp), %r9
    syscall
validator_raw_syscall_end:
    ret
    .size validator_raw_syscall, .-validator_raw_syscall
)");

namespace {
std::atomic<long> syscalls{0};
std::atomic<long> firstSyscall{-1};

// SIGSYS from the filter: count the call when guarded, then make it.
void onSigsys(int, siginfo_t* info, void* context)
{
    auto* uc = static_cast<ucontext_t*>(context);
    greg_t* r = uc->uc_mcontext.gregs;
    if (guarded.load(std::memory_order_relaxed)) {
        syscalls.fetch_add(1, std::memory_order_relaxed);
        long expected = -1;
        firstSyscall.compare_exchange_strong(expected, long(info->si_syscall));
    }
    r[REG_RAX] = validator_raw_syscall(info->si_syscall, r[REG_RDI], r[REG_RSI], r[REG_RDX],
                                       r[REG_R10], r[REG_R8], r[REG_R9]);
}

// Traps every system call of the calling thread except those made from
// validator_raw_syscall, sigreturn and thread exit. False if the kernel
// refuses filters here.
bool traceSystemCallsOfThisThread()
{
    const uintptr_t begin = reinterpret_cast<uintptr_t>(validator_raw_syscall_begin);
    const uintptr_t end = reinterpret_cast<uintptr_t>(validator_raw_syscall_end) + 1;
    if ((begin >> 32) != (end >> 32))
        return false;
    const uint32_t high = uint32_t(begin >> 32);
    const uint32_t low = uint32_t(begin);
    const uint32_t lowEnd = uint32_t(end);
    constexpr uint32_t kArch = offsetof(seccomp_data, arch);
    constexpr uint32_t kNr = offsetof(seccomp_data, nr);
    constexpr uint32_t kIpLow = offsetof(seccomp_data, instruction_pointer);
    constexpr uint32_t kIpHigh = kIpLow + 4;
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kArch),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kNr),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rt_sigreturn, 7, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit, 6, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit_group, 5, 0),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kIpHigh),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, high, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kIpLow),
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, low, 0, 2),
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, lowEnd, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof(filter) / sizeof(filter[0])), filter};
    struct sigaction action {};
    action.sa_sigaction = onSigsys;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGSYS, &action, nullptr) != 0)
        return false;
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}
} // namespace
#endif

// ------------------------------------------------------------------ tests

namespace {

struct GuardResult {
    long allocations = 0;
    long locks = 0;
    long syscalls = 0;
    long firstSyscall = -1;
    int64_t noteOns = 0;
    int64_t timeQueries = 0;
    int64_t displayUpdates = 0;
    int64_t otherCalls = 0;
    OutputCheck check;
};

// Plays at two rates and every block size, with the full mix of MIDI
// (notes, bends, controllers, learn, program changes, all-notes-off) and
// automation between blocks; only the plug-in's own calls are guarded.
void playGuarded(Host& host, GuardResult& result, const PerformanceMix& mix)
{
    const int32_t blockSizes[] = {1, 17, 64, 512, 4096};
    RandomPerformer player(2024, mix);
    EventList list;
    std::vector<float> left(4096), right(4096);
    std::mt19937 rng(77);
    host.resetCalls();
    int64_t expectedTime = 0;
    for (float rate : {44100.0f, 192000.0f}) {
        host.changeRate(rate, 4096); // rebuilds and may allocate: not guarded
        host.resetCalls();
        for (int b = 0; b < 250; ++b) {
            const int32_t n = blockSizes[rng() % 5u];
            const int64_t before = player.noteOns;
            player.fill(list, n);
            expectedTime += player.noteOns - before;
            VstEvents* events = list.get();
            guarded.store(true);
            host.dispatch(effProcessEvents, 0, 0, events);
            host.process(left.data(), right.data(), n);
            for (int i = 0; i < 2; ++i) {
                const int32_t p = int32_t(rng() % 47u);
                host.setParameter(p, randomValue(p, rng));
            }
            guarded.store(false);
            result.check.add(left.data(), n);
            result.check.add(right.data(), n);
        }
        // Whatever is still queued (far offsets) is played out.
        guarded.store(true);
        host.process(left.data(), right.data(), 4096);
        guarded.store(false);
        result.timeQueries += host.calls(audioMasterGetTime);
        result.displayUpdates += host.calls(audioMasterUpdateDisplay);
        result.otherCalls += host.totalCalls() - host.calls(audioMasterGetTime) -
                             host.calls(audioMasterUpdateDisplay);
    }
    result.noteOns = expectedTime;
}

} // namespace

TEST(AudioPath, AllocatesNothingTakesNoLockAndCallsOnlyTheTimeQuery)
{
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 4096);
    allocations = 0;
    locks = 0;
    // Controllers 120..127 empty the queue (later events of their block are
    // dropped), so the exact count of time queries is checked without them,
    // and the guards with them.
    PerformanceMix exact;
    exact.allControllers = false;
    GuardResult result;
    playGuarded(host, result, exact);
    EXPECT_EQ(result.timeQueries, result.noteOns);
    GuardResult full;
    playGuarded(host, full, PerformanceMix{});
    EXPECT_LE(full.timeQueries, full.noteOns);
    EXPECT_GT(full.timeQueries, 0);
    result.check.merge(full.check);
    result.displayUpdates += full.displayUpdates;
    result.otherCalls += full.otherCalls;
    result.allocations = allocations.load();
    result.locks = locks.load();

    EXPECT_EQ(result.allocations, 0) << "allocations on the audio path";
#if !VALIDATOR_SANITIZED
    EXPECT_EQ(result.locks, 0) << "locks taken on the audio path";
#endif
    EXPECT_TRUE(result.check.clean()) << result.check.describe();
    // The time query at each note-on is the only regular call out; a MIDI
    // program change also asks the host to update its display.
    EXPECT_GT(result.noteOns, 100);
    EXPECT_GT(result.displayUpdates, 0);
    EXPECT_EQ(result.otherCalls, 0);
}

TEST(AudioPath, MakesNoSystemCall)
{
#if !VALIDATOR_SECCOMP
    GTEST_SKIP() << "system-call tracing needs seccomp on x86-64 Linux";
#else
    if (VALIDATOR_SANITIZED)
        GTEST_SKIP() << "sanitizer runtimes make their own system calls";
    Host host;
    ASSERT_NE(host.effect, nullptr) << host.error;
    host.start(44100.0f, 4096);
    GuardResult result;
    bool traced = false;
    // A thread of its own: the filter stays with it and ends with it.
    std::thread audio([&] {
        traced = traceSystemCallsOfThisThread();
        if (!traced)
            return;
        // Proof that tracing works: an unguarded call is let through, a
        // guarded one is counted.
        guarded.store(true);
        (void)getpid();
        guarded.store(false);
        const long probe = syscalls.exchange(0);
        firstSyscall = -1;
        if (probe != 1) {
            traced = false;
            return;
        }
        playGuarded(host, result, PerformanceMix{});
        result.syscalls = syscalls.load();
        result.firstSyscall = firstSyscall.load();
    });
    audio.join();
    if (!traced)
        GTEST_SKIP() << "seccomp filters are not available here";
    EXPECT_EQ(result.syscalls, 0) << "system calls on the audio path; the first was number "
                                  << result.firstSyscall;
    EXPECT_TRUE(result.check.clean()) << result.check.describe();
    EXPECT_GT(result.noteOns, 100);
#endif
}

TEST(AudioPath, GuardsSeeWhatTheyShouldSee)
{
    // The module binds to the counting definitions (what a global lookup
    // finds is what its calls reach), and building a plug-in is counted:
    // otherwise a zero above would prove nothing.
    void* (*plainNew)(std::size_t) = &operator new;
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "_Znwm"), reinterpret_cast<void*>(plainNew));
#if !VALIDATOR_SANITIZED
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "malloc"), reinterpret_cast<void*>(&malloc));
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "pthread_mutex_lock"), reinterpret_cast<void*>(&pthread_mutex_lock));
#endif
    allocations = 0;
    locks = 0;
    guarded.store(true);
    {
        Host host;
        EXPECT_NE(host.effect, nullptr) << host.error;
    }
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock(&m);
    pthread_mutex_unlock(&m);
    guarded.store(false);
    EXPECT_GT(allocations.load(), 2);
#if !VALIDATOR_SANITIZED
    EXPECT_GE(locks.load(), 1);
#endif
}
