#include "decoding/picture_decoder.h"

#include <windows.h>

#include <psapi.h>
#include <sddl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <new>

#include "core/win_paths.h"
#include "decoding/decoder_host.h"
#include "decoding/image_file_probe.h"

namespace gp = Gdiplus::DllExports;
using namespace decoding;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "paths cross to the decoder as UTF-16");

namespace {

// How long a new decoder process may take to be ready (a loaded machine starts processes slowly).
constexpr DWORD kStartLimitMilliseconds = 20000;
// How often a waiting caller looks at the decoder's memory, its cancel flag and the clock.
constexpr DWORD kWatchMilliseconds = 15;

// The decoder processes running, for the program's fault handler: should the program itself crash,
// its decoders are ended at once, whatever the system then does with the program (a crash report,
// a debugger) and however long that takes.
constexpr std::size_t kTrackedProcesses = 64;
std::atomic<HANDLE> trackedProcesses[kTrackedProcesses];
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI endDecodersOnFault(EXCEPTION_POINTERS* fault) {
    for (std::atomic<HANDLE>& slot : trackedProcesses)
        if (const HANDLE process = slot.load()) TerminateProcess(process, 0xDEAD);
    return previousFilter ? previousFilter(fault) : EXCEPTION_CONTINUE_SEARCH;
}

void track(HANDLE process) {
    static std::once_flag installed;
    std::call_once(installed, [] { previousFilter = SetUnhandledExceptionFilter(endDecodersOnFault); });
    for (std::atomic<HANDLE>& slot : trackedProcesses) {
        HANDLE empty = nullptr;
        if (slot.compare_exchange_strong(empty, process)) return;
    }
}

void untrack(HANDLE process) {
    for (std::atomic<HANDLE>& slot : trackedProcesses) {
        HANDLE held = process;
        if (slot.compare_exchange_strong(held, nullptr)) return;
    }
}

// Handles are inheritable only while one decoder process is being created, so that no other
// process started meanwhile inherits them, and no decoder inherits another's.
std::mutex spawnMutex;

std::wstring hex(HANDLE handle) {
    wchar_t text[24];
    std::swprintf(text, 24, L"%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

// A token for the decoder with every privilege dropped and a low integrity level, so that what runs
// inside a decoder cannot write to the user's files or reach other processes. Empty where the
// system does not allow it; the decoder then runs with the program's own token.
KernelHandle restrictedToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT,
                          &own))
        return {};
    const KernelHandle ownToken(own);
    HANDLE made = nullptr;
    if (!CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 0, nullptr, 0, nullptr, 0, nullptr, &made)) return {};
    KernelHandle token(made);
    PSID low = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-16-4096", &low)) return {};
    const LocalMemory sid(low);
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    label.Label.Sid = low;
    if (!SetTokenInformation(token.get(), TokenIntegrityLevel, &label, sizeof label + GetLengthSid(low))) return {};
    return token;
}

}  // namespace

// One decoder process with its job, control block and events.
class DecoderProcess {
public:
    enum class Result { Replied, Failed, Cancelled };

    static std::unique_ptr<DecoderProcess> start(const std::wstring& program);
    ~DecoderProcess() {
        end();
        untrack(process_.get());
    }

    ControlBlock& block() { return *block_; }
    HANDLE process() const { return process_.get(); }
    DWORD id() const { return id_; }
    bool alive() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    std::uint32_t nextSequence() { return ++sequence_; }

    // Sends the request written into the block and waits for the reply, watching the decoder.
    Result exchange(DWORD timeLimit, std::uint64_t memoryBudget, const std::atomic<bool>* cancel,
                    const std::atomic<bool>& stop);
    void end() {
        if (process_) TerminateProcess(process_.get(), 1);
    }

private:
    DecoderProcess() = default;
    Result wait(DWORD timeLimit, std::uint64_t memoryBudget, const std::atomic<bool>* cancel,
                const std::atomic<bool>& stop, bool forReady);
    std::uint64_t memoryInUse() const {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(process_.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
            return 0;
        return std::max<std::uint64_t>(counters.PrivateUsage, counters.PagefileUsage);
    }
    void limitMemory(std::uint64_t bytes) {
        if (!job_) return;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION | JOB_OBJECT_LIMIT_PROCESS_MEMORY;
        limits.ProcessMemoryLimit = static_cast<SIZE_T>(bytes);
        SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    KernelHandle process_, job_, mapping_, requestEvent_, replyEvent_;
    ControlBlock* block_ = nullptr;
    struct Unmap {
        void* view = nullptr;
        ~Unmap() {
            if (view) UnmapViewOfFile(view);
        }
    } view_;
    DWORD id_ = 0;
    bool ready_ = false;
    std::uint32_t sequence_ = 0;
};

std::unique_ptr<DecoderProcess> DecoderProcess::start(const std::wstring& program) {
    std::unique_ptr<DecoderProcess> decoder(new DecoderProcess);
    decoder->mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ControlBlock), nullptr));
    if (!decoder->mapping_) return nullptr;
    decoder->view_.view = MapViewOfFile(decoder->mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(ControlBlock));
    if (!decoder->view_.view) return nullptr;
    decoder->block_ = new (decoder->view_.view) ControlBlock;
    decoder->requestEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    decoder->replyEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    HANDLE self = nullptr;
    if (!decoder->requestEvent_ || !decoder->replyEvent_ ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, FALSE, 0))
        return nullptr;
    const KernelHandle selfHandle(self);

    std::wstring commandLine = L"\"" + program + L"\" " + kDecoderSwitch + hex(decoder->mapping_.get()) + L"," +
                               hex(decoder->requestEvent_.get()) + L"," + hex(decoder->replyEvent_.get()) + L"," + hex(self);
    const HANDLE inherited[4] = {decoder->mapping_.get(), decoder->requestEvent_.get(), decoder->replyEvent_.get(), self};

    decoder->job_.reset(CreateJobObjectW(nullptr, nullptr));
    decoder->limitMemory(kDecoderBaseBytes + (std::uint64_t{256} << 20));

    PROCESS_INFORMATION info{};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
    bool created = false;
    {
        const std::lock_guard lock(spawnMutex);
        for (HANDLE handle : inherited) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        const KernelHandle token = restrictedToken();
        if (token)
            created = CreateProcessAsUserW(token.get(), program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags,
                                           nullptr, nullptr, &startup, &info);
        if (!created)
            created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                     &startup, &info);
        for (HANDLE handle : inherited) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    }
    if (!created) return nullptr;
    decoder->process_.reset(info.hProcess);
    track(info.hProcess);
    const KernelHandle thread(info.hThread);
    decoder->id_ = info.dwProcessId;
    // In its job before it runs a single instruction: it cannot outlive the program.
    if (decoder->job_ && !AssignProcessToJobObject(decoder->job_.get(), info.hProcess)) decoder->job_.reset();
    ResumeThread(info.hThread);
    return decoder;
}

DecoderProcess::Result DecoderProcess::wait(DWORD timeLimit, std::uint64_t memoryBudget, const std::atomic<bool>* cancel,
                                            const std::atomic<bool>& stop, bool forReady) {
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        const HANDLE waits[2] = {replyEvent_.get(), process_.get()};
        const DWORD result = WaitForMultipleObjects(2, waits, FALSE, kWatchMilliseconds);
        if (result == WAIT_OBJECT_0) {
            if (forReady) return block_->ready == 1 ? Result::Replied : Result::Failed;
            if (block_->reply.sequence == sequence_) return Result::Replied;
            continue;  // not the reply to this request
        }
        if (result != WAIT_TIMEOUT) return Result::Failed;  // the decoder has gone
        if (stop.load() || (cancel && cancel->load())) {
            end();
            return Result::Cancelled;
        }
        if (GetTickCount64() - started > timeLimit || (memoryBudget != 0 && memoryInUse() > memoryBudget)) {
            end();
            return Result::Failed;
        }
    }
}

DecoderProcess::Result DecoderProcess::exchange(DWORD timeLimit, std::uint64_t memoryBudget,
                                                const std::atomic<bool>* cancel, const std::atomic<bool>& stop) {
    if (!ready_) {
        const Result ready = wait(kStartLimitMilliseconds, 0, cancel, stop, true);
        if (ready != Result::Replied) {
            end();
            return ready;
        }
        ready_ = true;
    }
    limitMemory(memoryBudget);
    block_->request.sequence = sequence_;
    if (!SetEvent(requestEvent_.get())) {
        end();
        return Result::Failed;
    }
    return wait(timeLimit, memoryBudget, cancel, stop, false);
}

// ---- PictureDecoder ----------------------------------------------------------------------------

GdipImage DecodedPicture::wrap() const {
    if (!bits || width <= 0 || height <= 0) return {};
    Gdiplus::GpBitmap* made = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, alpha ? PixelFormat32bppARGB : PixelFormat32bppRGB,
                                      static_cast<BYTE*>(bits), &made) != Gdiplus::Ok)
        return {};
    return GdipImage(made);
}

std::wstring thisProgramPath() { return modulePath(nullptr); }

PictureDecoder::PictureDecoder(std::wstring program, unsigned maxProcesses)
    : program_(std::move(program)), maxProcesses_(std::max(1u, maxProcesses)) {}

PictureDecoder::~PictureDecoder() { shutDown(); }

void PictureDecoder::warmUp() {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_ || !idle_.empty() || running_ >= maxProcesses_) return;  // one is ready, or none may start
        ++running_;
    }
    std::unique_ptr<DecoderProcess> process = DecoderProcess::start(program_);
    std::unique_lock lock(mutex_);
    if (process && !stopping_) {
        idle_.push_back(std::move(process));
    } else {
        --running_;
        lock.unlock();
        process.reset();  // ended as it goes
    }
    freed_.notify_all();
}

std::unique_ptr<DecoderProcess> PictureDecoder::acquire(const std::atomic<bool>* cancel) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_ || (cancel && cancel->load())) return nullptr;
        while (!idle_.empty()) {
            std::unique_ptr<DecoderProcess> process = std::move(idle_.back());
            idle_.pop_back();
            if (process->alive()) {
                busy_.push_back(process.get());
                return process;
            }
            --running_;  // ended meanwhile (killed from outside): a fresh one is started instead
        }
        if (running_ < maxProcesses_) {
            ++running_;
            lock.unlock();
            std::unique_ptr<DecoderProcess> process = DecoderProcess::start(program_);
            lock.lock();
            if (!process) {
                --running_;
                freed_.notify_all();
                return nullptr;
            }
            busy_.push_back(process.get());
            return process;
        }
        // Every decoder is busy: wait for one, looking at the caller's cancel flag now and then.
        freed_.wait_for(lock, std::chrono::milliseconds(kWatchMilliseconds));
    }
}

void PictureDecoder::giveBack(std::unique_ptr<DecoderProcess> process) {
    std::unique_lock lock(mutex_);
    busy_.erase(std::remove(busy_.begin(), busy_.end(), process.get()), busy_.end());
    if (stopping_ || !process->alive()) {
        --running_;
        lock.unlock();
        freed_.notify_all();
        return;  // ended as it goes
    }
    idle_.push_back(std::move(process));
    lock.unlock();
    freed_.notify_all();
}

void PictureDecoder::trimIdle(unsigned keep) {
    std::vector<std::unique_ptr<DecoderProcess>> ending;
    {
        const std::lock_guard lock(mutex_);
        while (idle_.size() > keep) {
            ending.push_back(std::move(idle_.back()));
            idle_.pop_back();
            --running_;
        }
    }
    freed_.notify_all();
}

void PictureDecoder::shutDown() {
    std::vector<std::unique_ptr<DecoderProcess>> ending;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        stopFlag_ = true;
        for (auto& process : idle_) ending.push_back(std::move(process));
        running_ -= static_cast<unsigned>(idle_.size());
        idle_.clear();
    }
    freed_.notify_all();
}

std::vector<DWORD> PictureDecoder::processIds() const {
    const std::lock_guard lock(mutex_);
    std::vector<DWORD> ids;
    for (const auto& process : idle_) ids.push_back(process->id());
    for (const DecoderProcess* process : busy_) ids.push_back(process->id());
    return ids;
}

DecodeOutcome PictureDecoder::decode(const std::wstring& path, const DecodeTarget& target, DecodedPicture& out,
                                     const std::atomic<bool>* cancel) {
    out = DecodedPicture{};
    if (stopFlag_.load()) return DecodeOutcome::Cancelled;
    if (path.empty() || path.size() >= kMaxPathUnits) return DecodeOutcome::Unreadable;

    // The header first: what is too large or known to crash a decoder never reaches one.
    const ImageProbe probe = probeImageFile(path);
    if (failsBeforeDecoding(probe)) return DecodeOutcome::Unreadable;
    const Extent wanted = target.wantedSize(probe);

    // Limits from what the header says the picture needs: a vector picture, what it is drawn at.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    std::uint64_t fileBytes = 0;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes))
        fileBytes = (static_cast<std::uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    const bool vector = probe.verdict == ProbeVerdict::RenderAtShownSize;
    const std::int64_t claimedWidth = vector ? wanted.width : probe.width;
    const std::int64_t claimedHeight = vector ? wanted.height : probe.height;
    const std::uint64_t budget = decoderMemoryBudget({fileBytes, claimedWidth, claimedHeight, kMaxDecodedPixels});
    const DWORD timeLimit = decodeTimeLimit(claimedWidth, claimedHeight);

    std::unique_ptr<DecoderProcess> process = acquire(cancel);
    if (!process)
        return stopFlag_.load() || (cancel && cancel->load()) ? DecodeOutcome::Cancelled : DecodeOutcome::Unreadable;

    // A decoder that failed is ended and replaced; the picture is unreadable (or the wait cancelled).
    auto fail = [&](DecoderProcess::Result result) {
        if (result == DecoderProcess::Result::Failed) ++failures_;
        process->end();
        {
            const std::lock_guard lock(mutex_);
            busy_.erase(std::remove(busy_.begin(), busy_.end(), process.get()), busy_.end());
            --running_;
        }
        freed_.notify_all();
        process.reset();
        if (result == DecoderProcess::Result::Failed && !stopFlag_.load()) warmUp();
        return result == DecoderProcess::Result::Cancelled ? DecodeOutcome::Cancelled : DecodeOutcome::Unreadable;
    };
    // A decoder that says it cannot read the file is fine; one that says nonsense is not trusted again.
    auto refused = [&](const Reply& reply, std::uint32_t sequence) {
        if (reply.sequence != sequence || reply.status != ReplyStatus::Unreadable) return fail(DecoderProcess::Result::Failed);
        giveBack(std::move(process));
        return DecodeOutcome::Unreadable;
    };

    // Open: decode and tell the picture.
    ControlBlock& block = process->block();
    Request& request = block.request;
    const std::uint32_t openSequence = process->nextSequence();
    request.phase = Phase::Open;
    request.hintWidth = vector ? 0 : wanted.width;
    request.hintHeight = vector ? 0 : wanted.height;
    request.pathUnits = static_cast<std::uint32_t>(path.size());
    std::memcpy(request.path, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    DecoderProcess::Result result = process->exchange(timeLimit, budget, cancel, stopFlag_);
    if (result != DecoderProcess::Result::Replied) return fail(result);
    const Reply openReply = block.reply;
    OpenedPicture opened;
    if (!acceptOpenReply(openReply, openSequence, kMaxDecodedPixels, opened)) return refused(openReply, openSequence);

    // The pixels wanted, decided here from what the decoder told.
    const RenderPlan plan = target.plan(opened);
    const std::uint64_t bytes = pixelBytes(plan.width, plan.height, kMaxDecodedPixels);
    const bool copy = plan.kind == RenderKind::Copy;
    if (plan.width <= 0 || plan.height <= 0) {
        giveBack(std::move(process));
        return DecodeOutcome::Declined;
    }
    if (bytes == 0 || plan.rotateFlip < 0 || plan.rotateFlip > 7 || (copy && (opened.metafile || plan.rotateFlip != 0 ||
        plan.width != opened.naturalWidth || plan.height != opened.naturalHeight))) {
        giveBack(std::move(process));
        return DecodeOutcome::Unreadable;
    }
    const KernelHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                  static_cast<DWORD>(bytes >> 32), static_cast<DWORD>(bytes), nullptr));
    HANDLE remote = nullptr;
    if (!section ||
        !DuplicateHandle(GetCurrentProcess(), section.get(), process->process(), &remote, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        giveBack(std::move(process));
        return DecodeOutcome::Unreadable;
    }
    const std::uint32_t renderSequence = process->nextSequence();
    request.phase = Phase::Render;
    request.kind = plan.kind;
    request.width = plan.width;
    request.height = plan.height;
    request.rotateFlip = plan.rotateFlip;
    request.interpolation = plan.interpolation;
    request.section = reinterpret_cast<std::uintptr_t>(remote);
    request.sectionBytes = bytes;
    result = process->exchange(timeLimit, budget, cancel, stopFlag_);
    if (result != DecoderProcess::Result::Replied) return fail(result);
    const Reply renderReply = block.reply;
    if (renderReply.sequence != renderSequence || renderReply.status != ReplyStatus::Ok)
        return refused(renderReply, renderSequence);
    giveBack(std::move(process));

    BITMAPINFO info = topDownDib32(plan.width, plan.height);
    void* bits = nullptr;
    out.bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, section.get(), 0));
    if (!out.bitmap || !bits) {
        out = DecodedPicture{};
        return DecodeOutcome::Unreadable;
    }
    out.bits = bits;
    out.width = plan.width;
    out.height = plan.height;
    out.naturalWidth = opened.naturalWidth;
    out.naturalHeight = opened.naturalHeight;
    out.bitsPerPixel = opened.bitsPerPixel;
    out.orientation = opened.orientation;
    out.alpha = plan.kind != RenderKind::DrawOpaque && opened.alpha;
    out.fileSize = opened.fileSize;
    out.fileWriteTime = opened.fileWriteTime;
    return DecodeOutcome::Decoded;
}
