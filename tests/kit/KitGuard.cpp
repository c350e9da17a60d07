// Runs one test program of the Windows test kit on a user's machine and puts
// back what is the user's own, whatever the program did or however it ended:
//   kit_guard SECONDS PROGRAM [ARGUMENTS...]
// The program runs with this one's output, in a job with every program it
// starts; after SECONDS it is ended. Once it is over, what it left running is
// ended too, and the desktop's settings, the Startup folder and the profiles
// of Vistero and of the program are put back as they were before it started.
// Exits with the program's exit code, or 1 when it had to be ended.
//   kit_guard --check
// exits with 1, saying why, while a Vistero runs: the tests start and end
// Vistero themselves, so they would end the user's own.
#include "framework/core/UniqueHandle.h"
#include "tests/support/Outside.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Ctrl+C reaches the test program too, which ends; the guard stays to put
// everything back.
BOOL WINAPI StayForTheRestore(DWORD)
{
    return TRUE;
}

std::string Quoted(const std::string& argument)
{
    return argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
}

int Run(DWORD seconds, const std::string& program, const std::string& commandLine)
{
    // Under Wine the first program to ask for the desktop starts it, with
    // the shell: started from here, it stays out of the job, and every test
    // program finds it.
    test_support::WaitForTheTray();
    const test_support::SavedUserSettings kept({"Vistero", std::filesystem::path(program).stem().string()});
    const UniqueKernelHandle job(::CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        std::fprintf(stderr, "kit_guard: no job for the test program (error %lu)\n", ::GetLastError());
        return 1;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &info)) {
        std::fprintf(stderr, "kit_guard: cannot start %s (error %lu)\n", commandLine.c_str(), ::GetLastError());
        return 1;
    }
    const UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    // In the job before it runs, so that all it starts is in the job too.
    if (!::AssignProcessToJobObject(job.get(), process.get())) {
        std::fprintf(stderr, "kit_guard: cannot watch %s (error %lu)\n", commandLine.c_str(), ::GetLastError());
        ::TerminateProcess(process.get(), 1);
        return 1;
    }
    ::ResumeThread(thread.get());

    DWORD code = 1;
    if (::WaitForSingleObject(process.get(), seconds * 1000) == WAIT_TIMEOUT) {
        std::printf("kit_guard: %s still ran after %lu s: ended\n", program.c_str(), seconds);
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), INFINITE);
    } else {
        ::GetExitCodeProcess(process.get(), &code);
    }
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION left{};
    ::QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &left, sizeof left, nullptr);
    if (left.ActiveProcesses > 0) {
        std::printf("kit_guard: ending %lu program(s) that %s left running\n", left.ActiveProcesses, program.c_str());
        ::TerminateJobObject(job.get(), 1);
        test_support::WaitFor([&] {
            ::QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &left, sizeof left, nullptr);
            return left.ActiveProcesses == 0;
        });
    }
    // Started by the shell on the program's behalf, outside the job.
    test_support::EndStrayPrograms();
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--check") {
        if (test_support::ProcessesOf("Vistero.exe").empty())
            return 0;
        std::printf("Vistero is running: exit it first (right-click its icon, then \"Exit Vistero\"). The tests start "
                    "and end Vistero themselves.\n");
        return 1;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: kit_guard SECONDS PROGRAM [ARGUMENTS...] | kit_guard --check\n");
        return 2;
    }
    std::string commandLine;
    for (int i = 2; i < argc; ++i)
        commandLine += (i > 2 ? " " : "") + Quoted(argv[i]);
    ::SetConsoleCtrlHandler(StayForTheRestore, TRUE);
    return Run(static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)), argv[2], commandLine);
}
