/* A program that takes no care where its libraries come from: it asks for
 * version.dll by name, which Windows looks for in the program's own folder
 * first. Started from a folder with planted DLLs, it shows that the planted
 * copies are found there at all, so that a test of a careful program that
 * loads none of them proves something. */
#include <windows.h>

int main(void)
{
    return LoadLibraryA("version.dll") ? 0 : 1;
}
