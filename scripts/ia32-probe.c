/* Tells whether this Linux machine runs 32-bit x86 code inside a 64-bit
 * process, as Wine needs for a 32-bit Windows program: exit status 0 when it
 * does, 1 with the reason on standard error when it does not.
 *
 * Wine's WoW64 mode asks the kernel's 32-bit system call gate for the thread's
 * %fs selector (int $0x80) and then jumps to the 32-bit user code segment.
 * A kernel whose IA-32 emulation is off refuses both: each faults. Each is
 * tried in a child process of its own, so that a fault only ends the child.
 *
 *     cc -O2 -o ia32-probe scripts/ia32-probe.c && ./ia32-probe
 */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

/* The 32-bit system call getpid (number 20) through the int $0x80 gate. */
static int Int80GetPid(void)
{
    long result = 20;
    __asm__ volatile("int $0x80" : "+a"(result) : : "memory");
    return (int)result;
}

static uint64_t savedStack;

/* Runs "mov eax, 42; retf" in the 32-bit user code segment (selector 0x23)
 * and comes back to 64-bit code through a stub in the low page. */
static int Run32BitCode(void)
{
    unsigned char* page = mmap(NULL, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (page == MAP_FAILED)
        return -1;
    static const unsigned char code32[] = {0xB8, 42, 0, 0, 0, /* mov eax, 42 */
                                           0xCB};             /* retf */
    memcpy(page, code32, sizeof code32);
    /* Back in 64-bit mode at page+64: movabs rcx, <back>; jmp rcx. */
    unsigned char* stub = page + 64;
    stub[0] = 0x48;
    stub[1] = 0xB9;
    stub[10] = 0xFF;
    stub[11] = 0xE1;
    uint64_t back;
    __asm__ volatile("lea 1f(%%rip), %0" : "=r"(back));
    memcpy(stub + 2, &back, sizeof back);

    uint32_t low = (uint32_t)(uintptr_t)page;
    long result;
    __asm__ volatile(
        "mov %%rsp, %[saved]\n\t"
        "mov %[stack], %%rsp\n\t"
        /* The 32-bit far return frame: EIP, then CS of 64-bit code. */
        "sub $8, %%rsp\n\t"
        "movl %[stub], (%%rsp)\n\t"
        "movl $0x33, 4(%%rsp)\n\t"
        /* A 64-bit far return into the 32-bit segment. */
        "pushq $0x23\n\t"
        "pushq %[code]\n\t"
        "lretq\n"
        "1:\n\t"
        "mov %[saved], %%rsp\n\t"
        : "=a"(result), [saved] "+m"(savedStack)
        : [stack] "r"((uint64_t)low + 4000), [stub] "r"(low + 64), [code] "r"((uint64_t)low)
        : "rcx", "memory");
    return (int)result;
}

/* Runs `try` in a child; true when the child ended normally with `expected`. */
static int InChild(int (*try)(void), int (*expected)(void), const char* what)
{
    pid_t child = fork();
    if (child == 0)
        _exit(try() == expected() ? 0 : 2);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return 1;
    if (WIFSIGNALED(status))
        fprintf(stderr, "ia32-probe: %s: signal %d\n", what, WTERMSIG(status));
    else
        fprintf(stderr, "ia32-probe: %s: wrong result\n", what);
    return 0;
}

static int Forty2(void) { return 42; }

int main(void)
{
    int ok = InChild(Int80GetPid, getpid, "the 32-bit system call gate (int $0x80) faults");
    ok = InChild(Run32BitCode, Forty2, "code in the 32-bit user code segment faults") && ok;
    if (!ok)
        fprintf(stderr, "ia32-probe: this machine runs no 32-bit x86 code (IA-32 emulation is off)\n");
    return ok ? 0 : 1;
}
