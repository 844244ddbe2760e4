// What the installer check asks of Windows itself, run under Wine:
//   helper link FILE.lnk OUT      writes the shortcut's target, working folder and arguments
//                                 to OUT (UTF-8, one a line), as the shell reads them
//   helper hold FILE              keeps FILE open without sharing write access, as another
//                                 program that loaded it would, until it is killed
#define COBJMACROS
#include <windows.h>
#include <shlobj.h>
#include <stdio.h>

static void put(FILE *out, const wchar_t *text)
{
    char utf8[4 * MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    fprintf(out, "%s\n", utf8);
}

static int readLink(const wchar_t *path, const wchar_t *outPath)
{
    IShellLinkW *shellLink = NULL;
    IPersistFile *file = NULL;
    wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"", arguments[MAX_PATH] = L"";
    CoInitialize(NULL);
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW,
                                (void **)&shellLink))
        || FAILED(IShellLinkW_QueryInterface(shellLink, &IID_IPersistFile, (void **)&file))
        || FAILED(IPersistFile_Load(file, path, STGM_READ)))
        return 1;
    // The target from its item list: Wine's GetPath passes it through the ANSI code page.
    LPITEMIDLIST items = NULL;
    if (SUCCEEDED(IShellLinkW_GetIDList(shellLink, &items)) && items) {
        SHGetPathFromIDListW(items, target);
        CoTaskMemFree(items);
    }
    IShellLinkW_GetWorkingDirectory(shellLink, folder, MAX_PATH);
    IShellLinkW_GetArguments(shellLink, arguments, MAX_PATH);
    FILE *out = _wfopen(outPath, L"w");
    if (!out)
        return 1;
    put(out, target);
    put(out, folder);
    put(out, arguments);
    fclose(out);
    return 0;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc == 4 && !wcscmp(argv[1], L"link"))
        return readLink(argv[2], argv[3]);
    if (argc == 3 && !wcscmp(argv[1], L"hold")) {
        if (CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL)
            == INVALID_HANDLE_VALUE)
            return 1;
        for (;;)
            Sleep(INFINITE);
    }
    return 2;
}
