// What the text of this build's pictures was drawn with: the library versions and the font files
// behind the faces the program asks for. A font file is named by a digest of its "head" table,
// whose checksum adjustment covers the whole file.
#include "reference/reference_check.h"

#include <cstdint>
#include <sstream>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QRawFont>
#include <QtGlobal>
#endif

#include "reference/fnv.h"

namespace orvane::reference {

namespace {

std::string tableDigest(std::string_view bytes) {
    std::uint64_t h = kFnvOffsetBasis;
    for (const char c : bytes) {
        h = fnv(h, static_cast<unsigned char>(c));
    }
    return digestText(h).substr(0, 8);
}

#ifdef _WIN32

std::string wineVersion() {
    using Version = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto version = ntdll != nullptr ? reinterpret_cast<Version>(reinterpret_cast<void*>(
                                                GetProcAddress(ntdll, "wine_get_version")))
                                          : nullptr;
    return version != nullptr ? std::string("wine ") + version() : "windows";
}

std::string fontFile(const wchar_t* face, int weight) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-19, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                             face);
    const HGDIOBJ old = SelectObject(dc, font);
    wchar_t resolved[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, resolved);
    std::string name;
    for (const wchar_t* c = resolved; *c != 0; ++c) name += *c == L' ' ? '-' : static_cast<char>(*c);
    constexpr DWORD kHead = 0x64616568;  // "head", as GetFontData takes a tag
    const DWORD size = GetFontData(dc, kHead, 0, nullptr, 0);
    std::string bytes;
    if (size != GDI_ERROR && size > 0) {
        bytes.resize(size);
        GetFontData(dc, kHead, 0, bytes.data(), size);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return name + (weight >= FW_BOLD ? "-bold=" : "=") + (bytes.empty() ? "bitmap" : tableDigest(bytes));
}

#else

std::string freeTypeVersion() {
    // Qt's font engine is linked against the system FreeType: ask the copy in this process.
    using Init = int (*)(void**);
    using Version = void (*)(void*, int*, int*, int*);
    using Done = int (*)(void*);
    const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FT_Init_FreeType"));
    const auto version = reinterpret_cast<Version>(dlsym(RTLD_DEFAULT, "FT_Library_Version"));
    const auto done = reinterpret_cast<Done>(dlsym(RTLD_DEFAULT, "FT_Done_FreeType"));
    void* library = nullptr;
    if (init == nullptr || version == nullptr || done == nullptr || init(&library) != 0) {
        return "freetype unknown";
    }
    int major = 0, minor = 0, patch = 0;
    version(library, &major, &minor, &patch);
    done(library);
    return "freetype " + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(patch);
}

std::string fontFile(QFont font, bool bold) {
    font.setBold(bold);
    font.setPixelSize(19);
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray head = raw.fontTable("head");
    const QString family = QFontInfo(font).family();
    return family.toStdString() + (bold ? " Bold=" : "=") +
           (head.isEmpty() ? std::string("none") : tableDigest({head.constData(), static_cast<std::size_t>(head.size())}));
}

#endif

std::string measured() {
    std::ostringstream text;
#ifdef _WIN32
    text << wineVersion() << "; fonts";
    for (const wchar_t* face : {L"Courier New", L"MS Sans Serif"}) {
        text << ' ' << fontFile(face, FW_NORMAL) << ' ' << fontFile(face, FW_BOLD);
    }
#else
    if (QGuiApplication::instance() == nullptr) {
        return "qt " + std::string(qVersion()) + "; no fonts (no application)";
    }
    QFont courier("Courier New");
    courier.setStyleHint(QFont::TypeWriter);
    QFont dialog;
    dialog.setFamilies({"MS Sans Serif", "Liberation Sans"});
    dialog.setStyleHint(QFont::SansSerif);
    text << "qt " << qVersion() << "; " << freeTypeVersion() << "; fonts";
    for (const QFont& font : {courier, dialog, QGuiApplication::font()}) {
        text << ' ' << fontFile(font, false) << ", " << fontFile(font, true) << ',';
    }
#endif
    std::string result = text.str();
    if (!result.empty() && result.back() == ',') result.pop_back();
    return result;
}

}  // namespace

const std::string& environmentOfThisBuild() {
    static const std::string environment = measured();
    return environment;
}

}  // namespace orvane::reference
