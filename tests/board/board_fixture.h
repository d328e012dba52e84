#pragma once

#include "frm_divivederor.h"
#include "registry.h"
#include "slatemark.h"
#include "system_services.h"
#include "window_instance.h"

#include <QColor>
#include <QImage>
#include <QPoint>

// A registry with nothing in it.
class EmptyRegistry : public platform::Registry
{
public:
    platform::RegStatus openKey(platform::RegRoot, const std::string &, std::uint32_t,
                                platform::RegAccess, platform::RegHandle *handle) override
    {
        *handle = 0;
        return platform::reg::kNotFound;
    }
    platform::RegStatus queryValue(platform::RegHandle, const std::string &, platform::RegType *,
                                   std::uint8_t *, std::uint32_t *) override
    {
        return platform::reg::kInvalidHandle;
    }
    platform::RegStatus closeKey(platform::RegHandle) override
    {
        return platform::reg::kInvalidHandle;
    }
};

// Counts beeps; starts nothing and shows nothing.
class CountingServices : public platform::SystemServices
{
public:
    bool findNormalFile(const std::string &) override { return false; }
    void startProgram(const std::string &) override { ++starts; }
    void showMessage(const std::string &) override { ++messages; }
    void beep() override { ++beeps; }

    int beeps = 0;
    int starts = 0;
    int messages = 0;
};

// The two windows' default instances, wired as the program wires them.
struct BoardFixture
{
    EmptyRegistry registry;
    CountingServices services;
    DefaultInstance<frmDivivederor> about{
        [this] { return new frmDivivederor(registry, services, board.ifLoaded()); }};
    DefaultInstance<Slatemark> board{[this] { return new Slatemark(about, services); }};
};

// The colour of the logical pixel at p, read from the surface's image.
inline QColor pixelAt(const ChalkSurface &surface, QPoint p)
{
    const qreal ratio = surface.devicePixelRatioF();
    return surface.image().pixelColor(QPoint(qFloor(p.x() * ratio), qFloor(p.y() * ratio)));
}

// Board coordinates of a logical pixel, as the mouse reports it at 96 dots per inch.
constexpr float twipsOf(int pixels)
{
    return static_cast<float>(pixels * 15);
}
