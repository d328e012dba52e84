#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <utility>

// The one default instance of a window class, with the lifetime rules every window follows:
//  1. it is created the first time anything refers to it;
//  2. touching it while it is not loaded loads it: the factory builds the window and its
//     controls, then its Form_Load runs, and it stays hidden;
//  3. show() shows it (loading it first) and makes it the active window, modeless;
//  4. hide() hides it and keeps it loaded, with its state;
//  5. unload() destroys it; the next reference loads a fresh one and Form_Load runs again.
//
// W is a QWidget with a public Form_Load(). A window that can unload itself (a close box, an
// OK button) emits unloadRequested(); the instance then unloads it.
template <class W>
class DefaultInstance
{
public:
    using Factory = std::function<W *()>;

    explicit DefaultInstance(Factory factory) : m_factory(std::move(factory)) {}
    ~DefaultInstance() { delete m_window.data(); }

    DefaultInstance(const DefaultInstance &) = delete;
    DefaultInstance &operator=(const DefaultInstance &) = delete;

    // The loaded window, loading it first when needed (rules 1 and 2).
    W &get()
    {
        if (!m_window)
            load();
        return *m_window;
    }

    // The window when loaded, without loading it.
    W *ifLoaded() const { return m_window.data(); }
    bool isLoaded() const { return !m_window.isNull(); }

    void show()
    {
        W &window = get();
        window.show();
        window.raise();
        window.activateWindow();
    }

    void hide() { get().hide(); }

    // Destroys the window. Safe from inside the window's own handlers: the widget is hidden at
    // once and deleted when control is back in the event loop, while the next reference
    // already gets a fresh instance.
    void unload()
    {
        if (W *window = m_window.data()) {
            m_window.clear();
            window->disconnect(&m_guard);
            window->hide();
            window->deleteLater();
        }
    }

    // How many times a window has been loaded: each load runs Form_Load once.
    int loads() const { return m_loads; }

private:
    void load()
    {
        W *window = m_factory();
        m_window = window;
        ++m_loads;
        if constexpr (requires { &W::unloadRequested; }) {
            QObject::connect(window, &W::unloadRequested, &m_guard, [this] { unload(); },
                             Qt::DirectConnection);
        }
        window->Form_Load();
    }

    Factory m_factory;
    QPointer<W> m_window;
    QObject m_guard; // receiver for the window's signals; dies with the instance
    int m_loads = 0;
};
