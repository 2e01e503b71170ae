#include "controls/WaylandActivationToken.h"

#include <wayland-client-core.h>
#include <wayland-util.h>

#include <QByteArray>

#include <dlfcn.h>

namespace
{
// The two interfaces of xdg-activation-v1 this needs, as the protocol's
// XML gives them; objects of other interfaces are never passed.
const wl_interface* const kNoObjects[] = {nullptr, nullptr};
extern const wl_interface kTokenInterface;
const wl_interface* const kTokenObjects[] = {&kTokenInterface};
// libwayland's tables are not const-correct; it never writes to them.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
const wl_interface** const kNoTypes = const_cast<const wl_interface**>(kNoObjects);
const wl_interface** const kTokenTypes = const_cast<const wl_interface**>(kTokenObjects);
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

const wl_message kActivationRequests[] = {
    {"destroy", "", kNoTypes},
    {"get_activation_token", "n", kTokenTypes},
    {"activate", "so", kNoTypes},
};
const wl_interface kActivationInterface = {"xdg_activation_v1", 1, 3,
                                           kActivationRequests, 0, nullptr};

const wl_message kTokenRequests[] = {
    {"set_serial", "uo", kNoTypes}, {"set_app_id", "s", kNoTypes}, {"set_surface", "o", kNoTypes},
    {"commit", "", kNoTypes},       {"destroy", "", kNoTypes},
};
const wl_message kTokenEvents[] = {{"done", "s", kNoTypes}};
const wl_interface kTokenInterface = {
    "xdg_activation_token_v1", 1, 5, kTokenRequests, 1, kTokenEvents};

// Opcodes, from the same XML.
constexpr uint32_t kDisplayGetRegistry = 1;
constexpr uint32_t kRegistryBind = 0;
constexpr uint32_t kActivationDestroy = 0;
constexpr uint32_t kActivationGetToken = 1;
constexpr uint32_t kTokenSetAppId = 1;
constexpr uint32_t kTokenCommit = 3;
constexpr uint32_t kTokenDestroy = 4;

// libwayland-client, loaded only here: an X11 session never needs it.
struct Client {
    void* library = nullptr;
    decltype(&wl_display_connect) connect = nullptr;
    decltype(&wl_display_disconnect) disconnect = nullptr;
    decltype(&wl_display_roundtrip) roundtrip = nullptr;
    decltype(&wl_proxy_marshal_flags) marshal = nullptr;
    decltype(&wl_proxy_add_listener) addListener = nullptr;
    decltype(&wl_proxy_destroy) destroy = nullptr;
    decltype(&wl_proxy_get_version) version = nullptr;
    const wl_interface* registryInterface = nullptr;

    Client() : library(::dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL))
    {
        if (!library)
            return;
        load(connect, "wl_display_connect");
        load(disconnect, "wl_display_disconnect");
        load(roundtrip, "wl_display_roundtrip");
        load(marshal, "wl_proxy_marshal_flags");
        load(addListener, "wl_proxy_add_listener");
        load(destroy, "wl_proxy_destroy");
        load(version, "wl_proxy_get_version");
        registryInterface =
            static_cast<const wl_interface*>(::dlsym(library, "wl_registry_interface"));
    }
    ~Client()
    {
        if (library)
            ::dlclose(library);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    template <typename F> void load(F& function, const char* name)
    {
        function = reinterpret_cast<F>(::dlsym(library, name));
    }
    bool usable() const
    {
        return connect && disconnect && roundtrip && marshal && addListener && destroy && version &&
               registryInterface;
    }
};

struct Search {
    const Client* client;
    wl_proxy* registry;
    wl_proxy* activation = nullptr;
};

void onGlobal(void* data, wl_proxy* /*registry*/, uint32_t name, const char* interface,
              uint32_t /*version*/)
{
    auto* search = static_cast<Search*>(data);
    if (search->activation || qstrcmp(interface, kActivationInterface.name) != 0)
        return;
    search->activation =
        search->client->marshal(search->registry, kRegistryBind, &kActivationInterface, 1, 0, name,
                                kActivationInterface.name, 1u, nullptr);
}

void onGlobalRemove(void* /*data*/, wl_proxy* /*registry*/, uint32_t /*name*/) {}

void onDone(void* data, wl_proxy* /*token*/, const char* token)
{
    *static_cast<QString*>(data) = QString::fromUtf8(token);
}

// The listener tables libwayland calls through, in event order.
using Listener = void (*)();
} // namespace

QString requestWaylandActivationToken(const QString& appId)
{
    const Client client;
    if (!client.usable())
        return {};
    wl_display* display = client.connect(nullptr);
    if (!display)
        return {};
    auto* displayProxy = reinterpret_cast<wl_proxy*>(display);
    QString token;
    wl_proxy* registry = client.marshal(displayProxy, kDisplayGetRegistry, client.registryInterface,
                                        client.version(displayProxy), 0, nullptr);
    Search search{&client, registry};
    const Listener registryListener[] = {reinterpret_cast<Listener>(&onGlobal),
                                         reinterpret_cast<Listener>(&onGlobalRemove)};
    if (registry &&
        client.addListener(registry, const_cast<Listener*>(registryListener), &search) == 0 &&
        client.roundtrip(display) >= 0 && search.activation) {
        wl_proxy* request =
            client.marshal(search.activation, kActivationGetToken, &kTokenInterface, 1, 0, nullptr);
        const Listener tokenListener[] = {reinterpret_cast<Listener>(&onDone)};
        if (request &&
            client.addListener(request, const_cast<Listener*>(tokenListener), &token) == 0) {
            const QByteArray id = appId.toUtf8();
            client.marshal(request, kTokenSetAppId, nullptr, 1, 0, id.constData());
            client.marshal(request, kTokenCommit, nullptr, 1, 0);
            // The answer comes with the commit's; a second round for a slow one.
            for (int round = 0; round < 2 && token.isEmpty(); ++round) {
                if (client.roundtrip(display) < 0)
                    break;
            }
        }
        if (request)
            client.marshal(request, kTokenDestroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
        client.marshal(search.activation, kActivationDestroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
    }
    if (registry)
        client.destroy(registry);
    client.disconnect(display);
    return token;
}
