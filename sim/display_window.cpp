// The panel window: keys (arrows up/down/left/right, Enter confirm, Escape cancel, Home reset,
// M menu, R or Space run, H heat, A arc, V view, P power) and mouse touches go to the
// instrument's key and touch emulators; C, F, S and U are the operator's hands (the wind cover, a
// fibre pair in the clamps, a sleeve in the heater, the USB stick); closing the window presses the
// power key.
#include "sim/display_window.h"

#ifdef SPLICER_WINDOW

#include <SDL2/SDL.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "sim/backend.h"
#include "sim/dev_heater.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/display.h"
#include "sim/instrument.h"
#include "sim/scene.h"

namespace sim
{
namespace
{

// Never destroyed: the process may end (power off) while the window is open.
std::thread* g_thread = nullptr;
std::atomic<bool> g_stop{false};

int key_number(SDL_Keycode k)
{
    switch (k) {
    case SDLK_UP:
        return 1;
    case SDLK_DOWN:
        return 10;
    case SDLK_LEFT:
        return 18;
    case SDLK_RIGHT:
        return 2;
    case SDLK_RETURN:
        return 9;
    case SDLK_ESCAPE:
        return 17;
    case SDLK_HOME:
        return 28;
    case SDLK_m:
        return 16;
    case SDLK_r:
    case SDLK_SPACE:
        return 37;
    case SDLK_h:
        return 44;
    case SDLK_a:
        return 36;
    case SDLK_v:
        return 29;
    default:
        return -1;
    }
}

// The operator's hands: true when the key was one of them.
bool hand(Instrument& inst, SDL_Keycode k)
{
    switch (k) {
    case SDLK_c:
        inst.misc().set_cover_open(!inst.misc().cover_open());
        std::printf("splicer-sim: wind cover %s\n", inst.misc().cover_open() ? "open" : "closed");
        break;
    case SDLK_f: // a clean standard single-mode pair, as laid in at the bench
        inst.scene().set_fibres(inst.scene().fibres() ? std::nullopt : std::optional<FibrePair>(FibrePair{}));
        std::printf("splicer-sim: fibres %s\n", inst.scene().fibres() ? "laid in" : "taken out");
        break;
    case SDLK_s:
        inst.heater().set_sleeve(!inst.heater().sleeve());
        std::printf("splicer-sim: sleeve %s\n", inst.heater().sleeve() ? "in the heater" : "taken out");
        break;
    case SDLK_u:
        set_usb_present(!usb_present());
        std::printf("splicer-sim: USB stick %s\n", usb_present() ? "inserted" : "removed");
        break;
    default:
        return false;
    }
    std::fflush(stdout);
    return true;
}

void loop(SDL_Window* win)
{
    SDL_Renderer* ren = SDL_CreateRenderer(win, -1, 0);
    SDL_Texture* tex = ren ? SDL_CreateTexture(ren, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STREAMING,
                                               kPanelWidth, kPanelHeight)
                           : nullptr;
    bool down = false;
    while (!g_stop) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            Instrument* inst = Instrument::current();
            if (!inst) continue;
            switch (e.type) {
            case SDL_QUIT:
                inst->keys().press_power();
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (e.key.repeat) break;
                if (e.key.keysym.sym == SDLK_p && e.type == SDL_KEYDOWN) {
                    inst->keys().press_power();
                } else if (e.type == SDL_KEYDOWN && hand(*inst, e.key.keysym.sym)) {
                } else if (int n = key_number(e.key.keysym.sym); n >= 0) {
                    if (e.type == SDL_KEYDOWN)
                        inst->keys().press(uint16_t(n));
                    else
                        inst->keys().release(uint16_t(n));
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
                down = true;
                inst->touch().touch_down(e.button.x, e.button.y);
                break;
            case SDL_MOUSEBUTTONUP:
                if (down) inst->touch().touch_up(e.button.x, e.button.y);
                down = false;
                break;
            default:
                break;
            }
        }
        if (tex) {
            std::vector<uint8_t> pic = display_compose();
            SDL_UpdateTexture(tex, nullptr, pic.data(), kPanelWidth * 3);
            SDL_RenderClear(ren);
            SDL_RenderCopy(ren, tex, nullptr, nullptr);
            SDL_RenderPresent(ren);
        }
        SDL_Delay(33);
    }
    if (tex) SDL_DestroyTexture(tex);
    if (ren) SDL_DestroyRenderer(ren);
    SDL_DestroyWindow(win);
    SDL_Quit();
}

} // namespace

bool display_window_start()
{
    if (g_thread) return true;
    g_stop = false;
    std::atomic<int> opened{0};
    g_thread = new std::thread([&opened] {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "splicer-sim: no window: %s\n", SDL_GetError());
            opened = -1;
            return;
        }
        SDL_Window* win = SDL_CreateWindow("splicer-sim", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                           kPanelWidth, kPanelHeight, 0);
        if (!win) {
            std::fprintf(stderr, "splicer-sim: no window: %s\n", SDL_GetError());
            SDL_Quit();
            opened = -1;
            return;
        }
        opened = 1;
        loop(win);
    });
    while (opened == 0)
        std::this_thread::yield();
    if (opened < 0) {
        g_thread->join();
        delete g_thread;
        g_thread = nullptr;
        return false;
    }
    std::atexit(display_window_stop);
    return true;
}

const char* window_help()
{
    return "splicer-sim: window keys: arrows move, Enter confirm, Esc cancel, Home reset, M menu, R/Space "
           "run, "
           "H heat, A arc, V view, P power; C cover, F fibres in/out, S sleeve, U USB stick; mouse: touch";
}

void display_window_stop()
{
    g_stop = true;
    if (g_thread && g_thread->joinable()) g_thread->join();
    delete g_thread;
    g_thread = nullptr;
}

} // namespace sim

#else

namespace sim
{
bool display_window_start()
{
    return false;
}
void display_window_stop() {}
const char* window_help()
{
    return "";
}
} // namespace sim

#endif
