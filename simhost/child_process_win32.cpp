// Child processes with CreateProcessW; a job object ends the child and whatever it started when
// it times out. Exception codes (0xC0000005 ...) come back as exit codes and count as faults.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <thread>

#include "simhost/child_process.h"
#include "simhost/wide_text_win32.h"

namespace simhost {
namespace {

using Clock = std::chrono::steady_clock;

// One argument as the C runtime's command-line parser reads it back.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') line.append(backslashes * 2 + 1, L'\\');
        else line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

void readAll(HANDLE pipe, std::string* into) {
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) into->append(buffer, n);
}

std::string exceptionName(DWORD code) {
    const char* name = nullptr;
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: name = "access violation"; break;
    case EXCEPTION_STACK_OVERFLOW: name = "stack overflow"; break;
    case EXCEPTION_ILLEGAL_INSTRUCTION: name = "illegal instruction"; break;
    case EXCEPTION_INT_DIVIDE_BY_ZERO: name = "integer division by zero"; break;
    case EXCEPTION_BREAKPOINT: name = "breakpoint"; break;
    case 0xC0000409: name = "stack buffer overrun or abort"; break;
    default: break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
    return name ? std::string(text) + " (" + name + ")" : std::string(text);
}

}  // namespace

namespace {
// [any thread: guarded by gJobsLock] The jobs of every child runChild is waiting for, on any
// thread: an interruption ends them all. A job leaves the list before its handle is closed, so
// endRunningChild never touches a closed (or reused) handle.
std::mutex gJobsLock;
std::vector<HANDLE> gRunningJobs;
// [any thread: atomic] Set once endRunningChild was called: later children end as they start.
std::atomic<bool> gEndRequested{false};

// A child inherits every inheritable handle of this process unless it is told which ones: the
// pipe ends of a child another thread starts at the same moment, or a report file the C runtime
// opened (its files are inheritable by default). A child holding another's pipe end keeps that
// reader waiting for the end of its output until it ends itself; one holding an open file keeps
// it from being replaced or removed. So the child's own ends are made inheritable only under
// this lock, and the handle list names them as the only ones it gets.
// [any thread] Held from making one child's handles inheritable until they are closed here.
std::mutex gStartLock;

void registerJob(HANDLE job) {
    const std::lock_guard<std::mutex> hold(gJobsLock);
    gRunningJobs.push_back(job);
    // The request may have come between the caller's last look and the start.
    if (gEndRequested.load()) ::TerminateJobObject(job, 1);
}

void unregisterJob(HANDLE job) {
    const std::lock_guard<std::mutex> hold(gJobsLock);
    gRunningJobs.erase(std::remove(gRunningJobs.begin(), gRunningJobs.end(), job), gRunningJobs.end());
}

// CreateProcessW with exactly `inherited` as the handles the child gets, all closed here once it
// started (or failed to). False with the error in *error.
bool startWithOnly(const std::wstring& program, std::wstring& line, STARTUPINFOW startup,
                   std::initializer_list<HANDLE> inherited, PROCESS_INFORMATION* process, DWORD* error) {
    std::vector<HANDLE> handles;
    for (HANDLE handle : inherited)
        if (handle && handle != INVALID_HANDLE_VALUE) handles.push_back(handle);
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    const bool listed =
        ::InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
        ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                    handles.size() * sizeof(HANDLE), nullptr, nullptr);
    STARTUPINFOEXW extended{};
    extended.StartupInfo = startup;
    extended.StartupInfo.cb = listed ? sizeof extended : sizeof startup;
    extended.lpAttributeList = listed ? attributes : nullptr;
    BOOL created = FALSE;
    {
        const std::lock_guard<std::mutex> hold(gStartLock);
        for (HANDLE handle : handles) ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        created = ::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE,
                                   CREATE_SUSPENDED | CREATE_NO_WINDOW | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0),
                                   nullptr, nullptr, &extended.StartupInfo, process);
        *error = created ? 0 : ::GetLastError();
        for (HANDLE handle : handles) ::CloseHandle(handle);
    }
    if (listed) ::DeleteProcThreadAttributeList(attributes);
    return created != FALSE;
}

}  // namespace

void endRunningChild() {
    gEndRequested.store(true);
    const std::lock_guard<std::mutex> hold(gJobsLock);
    for (HANDLE job : gRunningJobs) ::TerminateJobObject(job, 1);
}

ChildResult runChild(const std::vector<std::string>& argv, double timeoutSeconds) {
    ChildResult result;
    if (argv.empty()) {
        result.failure = "no program given";
        return result;
    }
    // Not inheritable: only the start below hands the write ends to this child.
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, nullptr, 0) || !::CreatePipe(&errRead, &errWrite, nullptr, 0)) {
        result.failure = "cannot create pipes";
        for (HANDLE h : {outRead, outWrite, errRead, errWrite})
            if (h) ::CloseHandle(h);
        return result;
    }
    HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);

    std::wstring line;
    for (const std::string& argument : argv) appendQuoted(line, widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);

    const Clock::time_point start = Clock::now();
    const std::wstring program = widen(argv[0]);
    DWORD error = 0;
    const bool created = startWithOnly(program, line, startup, {input, outWrite, errWrite}, &process, &error);
    if (!created) {
        char text[64];
        std::snprintf(text, sizeof text, "CreateProcess failed with error %lu", static_cast<unsigned long>(error));
        result.failure = argv[0] + ": " + text;
        ::CloseHandle(outRead);
        ::CloseHandle(errRead);
        if (job) ::CloseHandle(job);
        return result;
    }
    result.started = true;
    if (job) {
        ::AssignProcessToJobObject(job, process.hProcess);
        registerJob(job);
    }
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);

    // Pipes are read on threads of their own, so a child that fills one never blocks on it.
    std::thread outReader(readAll, outRead, &result.out);
    std::thread errReader(readAll, errRead, &result.err);
    const DWORD waitMs = timeoutSeconds > 0.0 ? static_cast<DWORD>(timeoutSeconds * 1000.0) : INFINITE;
    if (::WaitForSingleObject(process.hProcess, waitMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        if (job) ::TerminateJobObject(job, 1);
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    // Ending the job also ends anything that still holds the pipes open.
    if (job) {
        ::TerminateJobObject(job, 1);
        unregisterJob(job);
    }
    outReader.join();
    errReader.join();
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();

    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    if (job) ::CloseHandle(job);
    if (result.timedOut) return result;
    if (code >= 0xC0000000u) {
        result.crashed = true;
        result.fault = exceptionName(code);
    } else {
        result.exited = true;
        result.exitCode = static_cast<int>(code);
    }
    return result;
}

std::string currentExecutable() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    if (n == 0) return std::string();
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(n), &narrow[0], length, nullptr, nullptr);
    return narrow;
}

const char* executableSuffix() { return ".exe"; }

}  // namespace simhost
