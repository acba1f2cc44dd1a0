// A Windows console host for Vantoril.dll, run under Wine: checks what a VST 2.4
// host sees and renders a float WAV through the plug-in.
//   vantoril-wine-host Vantoril.dll IN.wav OUT.wav V0 ... V9
//   vantoril-wine-host Vantoril.dll --screenshot EDITOR.bmp
#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

#include "../VstOpcodes.h"
#include "ParameterMapping.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
int failures = 0;
VstIntPtr versionAnswer = 2400;

void check (bool ok, const std::string& what)
{
    if (! ok)
    {
        std::printf ("FAIL: %s\n", what.c_str());
        ++failures;
    }
}

VstIntPtr hostCallback (AEffect*, int opcode, int, VstIntPtr, void*, float)
{
    return opcode == vst::hostVersion ? versionAnswer : 0;
}

struct Wav
{
    int channels = 0, rate = 0;
    std::vector<float> samples; // interleaved
};

bool readFloatWav (const char* path, Wav& wav)
{
    FILE* f = std::fopen (path, "rb");
    if (f == nullptr)
        return false;
    std::vector<unsigned char> data;
    unsigned char buffer[65536];
    for (size_t n; (n = std::fread (buffer, 1, sizeof (buffer), f)) > 0;)
        data.insert (data.end(), buffer, buffer + n);
    std::fclose (f);
    auto u32 = [&] (size_t i) {
        return (unsigned) data[i] | ((unsigned) data[i + 1] << 8) | ((unsigned) data[i + 2] << 16) |
            ((unsigned) data[i + 3] << 24);
    };
    auto u16 = [&] (size_t i) { return (unsigned) data[i] | ((unsigned) data[i + 1] << 8); };
    if (data.size() < 12 || std::memcmp (data.data(), "RIFF", 4) != 0)
        return false;
    for (size_t pos = 12; pos + 8 <= data.size();)
    {
        const unsigned size = u32 (pos + 4);
        if (std::memcmp (&data[pos], "fmt ", 4) == 0)
        {
            if (u16 (pos + 8) != 3 || u16 (pos + 22) != 32)
                return false;
            wav.channels = (int) u16 (pos + 10);
            wav.rate = (int) u32 (pos + 12);
        }
        else if (std::memcmp (&data[pos], "data", 4) == 0)
        {
            wav.samples.resize (size / 4);
            std::memcpy (wav.samples.data(), &data[pos + 8], wav.samples.size() * 4);
        }
        pos += 8 + size + (size & 1);
    }
    return wav.channels > 0 && ! wav.samples.empty();
}

bool writeFloatWav (const char* path, const Wav& wav)
{
    FILE* f = std::fopen (path, "wb");
    if (f == nullptr)
        return false;
    auto put32 = [&] (unsigned v) { std::fwrite (&v, 4, 1, f); };
    auto put16 = [&] (unsigned short v) { std::fwrite (&v, 2, 1, f); };
    const unsigned bytes = (unsigned) wav.samples.size() * 4;
    std::fwrite ("RIFF", 1, 4, f);
    put32 (4 + 24 + 8 + bytes);
    std::fwrite ("WAVEfmt ", 1, 8, f);
    put32 (16);
    put16 (3);
    put16 ((unsigned short) wav.channels);
    put32 ((unsigned) wav.rate);
    put32 ((unsigned) (wav.rate * wav.channels * 4));
    put16 ((unsigned short) (wav.channels * 4));
    put16 (32);
    std::fwrite ("data", 1, 4, f);
    put32 (bytes);
    std::fwrite (wav.samples.data(), 4, wav.samples.size(), f);
    return std::fclose (f) == 0;
}

// Opens the editor in a window of ours, lets it paint, and saves the window's
// picture as a BMP file.
int screenshot (AEffect* e, const char* path)
{
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA (nullptr);
    windowClass.lpszClassName = "VantorilHostWindow";
    RegisterClassA (&windowClass);
    RECT frame { 0, 0, 900, 300 };
    AdjustWindowRect (&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window =
        CreateWindowA ("VantorilHostWindow", "Vantoril", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, frame.right - frame.left,
                       frame.bottom - frame.top, nullptr, nullptr, windowClass.hInstance, nullptr);
    e->dispatcher (e, vst::mainsChanged, 0, 1, nullptr, 0.0f);
    e->dispatcher (e, 14 /* effEditOpen */, 0, 0, window, 0.0f);
    const auto until = GetTickCount() + 4000;
    SetTimer (window, 1, 20, nullptr);
    while (GetTickCount() < until)
    {
        MSG message;
        if (GetMessageA (&message, nullptr, 0, 0) > 0)
        {
            TranslateMessage (&message);
            DispatchMessageA (&message);
        }
        e->dispatcher (e, 19 /* effEditIdle */, 0, 0, nullptr, 0.0f);
    }

    KillTimer (window, 1);
    RECT client;
    GetClientRect (window, &client);
    const int width = client.right, height = client.bottom;
    // From the screen, so that the editor's own child window is included as it is now.
    POINT origin { 0, 0 };
    ClientToScreen (window, &origin);
    HDC windowDc = GetDC (nullptr);
    HDC memoryDc = CreateCompatibleDC (windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap (windowDc, width, height);
    SelectObject (memoryDc, bitmap);
    BitBlt (memoryDc, 0, 0, width, height, windowDc, origin.x, origin.y, SRCCOPY);

    BITMAPINFOHEADER info {};
    info.biSize = sizeof (info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels ((size_t) (stride * height));
    GetDIBits (memoryDc, bitmap, 0, (UINT) height, pixels.data(), reinterpret_cast<BITMAPINFO*> (&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER header {};
    header.bfType = 0x4d42;
    header.bfOffBits = sizeof (header) + sizeof (info);
    header.bfSize = header.bfOffBits + (DWORD) pixels.size();
    FILE* f = std::fopen (path, "wb");
    const bool written = f != nullptr && std::fwrite (&header, sizeof (header), 1, f) == 1 &&
        std::fwrite (&info, sizeof (info), 1, f) == 1 && std::fwrite (pixels.data(), 1, pixels.size(), f) == pixels.size();
    if (f != nullptr)
        std::fclose (f);

    e->dispatcher (e, 15 /* effEditClose */, 0, 0, nullptr, 0.0f);
    e->dispatcher (e, vst::mainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher (e, vst::close, 0, 0, nullptr, 0.0f);
    DestroyWindow (window);
    std::printf (written ? "editor picture %dx%d written\n" : "cannot write the editor picture\n", width, height);
    return written ? 0 : 1;
}

std::string text (AEffect* e, int opcode, int index = 0)
{
    char buffer[256] = {};
    e->dispatcher (e, opcode, index, 0, buffer, 0.0f);
    return buffer;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc == 4 && std::strcmp (argv[2], "--screenshot") == 0)
    {
        HMODULE library = LoadLibraryA (argv[1]);
        using Entry = AEffect* (*) (audioMasterCallback);
        const auto entry = library != nullptr
            ? reinterpret_cast<Entry> (reinterpret_cast<void*> (GetProcAddress (library, "VSTPluginMain")))
            : nullptr;
        AEffect* e = entry != nullptr ? entry (hostCallback) : nullptr;
        if (e == nullptr)
            return 1;
        e->dispatcher (e, vst::open, 0, 0, nullptr, 0.0f);
        return screenshot (e, argv[3]);
    }
    if (argc != 14)
    {
        std::printf ("usage: %s Vantoril.dll IN.wav OUT.wav V0 ... V9\n", argv[0]);
        return 2;
    }
    HMODULE library = LoadLibraryA (argv[1]);
    check (library != nullptr, "LoadLibrary");
    if (library == nullptr)
        return 1;

    using Entry = AEffect* (*) (audioMasterCallback);
    using Legacy = void* (*) ();
    const auto entry = reinterpret_cast<Entry> (reinterpret_cast<void*> (GetProcAddress (library, "VSTPluginMain")));
    const auto newPlugIn = reinterpret_cast<Legacy> (reinterpret_cast<void*> (GetProcAddress (library, "NewPlugIn")));
    const auto routine =
        reinterpret_cast<Legacy> (reinterpret_cast<void*> (GetProcAddress (library, "_PI_GetRoutineDescriptor")));
    check (entry != nullptr && newPlugIn != nullptr && routine != nullptr, "the three exports");
    check (reinterpret_cast<void*> (GetProcAddress (library, MAKEINTRESOURCEA (1))) == reinterpret_cast<void*> (newPlugIn),
           "NewPlugIn is ordinal 1");
    check (reinterpret_cast<void*> (GetProcAddress (library, MAKEINTRESOURCEA (2))) == reinterpret_cast<void*> (routine),
           "_PI_GetRoutineDescriptor is ordinal 2");
    check (reinterpret_cast<void*> (GetProcAddress (library, MAKEINTRESOURCEA (3))) == reinterpret_cast<void*> (entry),
           "VSTPluginMain is ordinal 3");
    if (entry == nullptr)
        return 1;
    check (newPlugIn() == nullptr && routine() == nullptr, "legacy entries return null");

    versionAnswer = 0;
    check (entry (hostCallback) == nullptr, "no instance for a host that answers version 0");
    versionAnswer = 2400;

    AEffect* e = entry (hostCallback);
    check (e != nullptr, "VSTPluginMain returns an instance");
    if (e == nullptr)
        return 1;
    e->dispatcher (e, vst::open, 0, 0, nullptr, 0.0f);

    check (e->numParams == 10 && e->numPrograms == 0 && e->numInputs == 2 && e->numOutputs == 2, "counts 10/0/2/2");
    check (e->flags == 0x231, "flags 0x231");
    check (e->uniqueID == 0x584B5041, "unique ID XKPA");
    check (e->version == 66560 && e->initialDelay == 0, "version 66560, no delay");
    check (text (e, vst::getEffectName) == "Vantoril" && text (e, vst::getProductString) == "Vantoril", "names");
    check (text (e, vst::getVendorString) == "ZAZuziza", "vendor");
    check (e->dispatcher (e, vst::getVendorVersion, 0, 0, nullptr, 0.0f) == 66560, "vendor version");
    check (e->dispatcher (e, vst::getPlugCategory, 0, 0, nullptr, 0.0f) == 1, "category effect");
    check (e->dispatcher (e, vst::getVstVersion, 0, 0, nullptr, 0.0f) == 2400, "interface 2400");
    for (int i = 0; i < 10; ++i)
        check (text (e, vst::getParamName, i) == vantoril::params::name (i),
               std::string ("parameter name ") + vantoril::params::name (i));
    check (text (e, vst::getParamDisplay, vantoril::params::release) == "301 ms", "release text");

    for (const auto& [query, reply] : vst::expectedCanDoReplies)
        check (e->dispatcher (e, vst::canDo, 0, 0, const_cast<char*> (query), 0.0f) == reply, std::string ("canDo ") + query);

    Wav in, out;
    check (readFloatWav (argv[2], in) && in.channels == 2, "read the stereo float input");
    for (int i = 0; i < 10; ++i)
        e->setParameter (e, i, (float) std::atof (argv[4 + i]));

    const int block = 512;
    e->dispatcher (e, vst::setSampleRate, 0, 0, nullptr, (float) in.rate);
    e->dispatcher (e, vst::setBlockSize, 0, block, nullptr, 0.0f);
    e->dispatcher (e, vst::mainsChanged, 0, 1, nullptr, 0.0f);
    out = in;
    const size_t frames = in.samples.size() / 2;
    std::vector<float> left (block), right (block), outLeft (block), outRight (block);
    for (size_t start = 0; start < frames; start += block)
    {
        const int n = (int) std::min<size_t> (block, frames - start);
        for (int k = 0; k < n; ++k)
        {
            left[(size_t) k] = in.samples[(start + (size_t) k) * 2];
            right[(size_t) k] = in.samples[(start + (size_t) k) * 2 + 1];
        }
        float* inputs[2] = { left.data(), right.data() };
        float* outputs[2] = { outLeft.data(), outRight.data() };
        e->processReplacing (e, inputs, outputs, n);
        for (int k = 0; k < n; ++k)
        {
            out.samples[(start + (size_t) k) * 2] = outLeft[(size_t) k];
            out.samples[(start + (size_t) k) * 2 + 1] = outRight[(size_t) k];
        }
    }
    e->dispatcher (e, vst::mainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher (e, vst::close, 0, 0, nullptr, 0.0f);
    check (writeFloatWav (argv[3], out), "write the output");

    std::printf (failures == 0 ? "all checks passed\n" : "%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
