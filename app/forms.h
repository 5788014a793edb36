#pragma once
#include <QMainWindow>
#include <QList>

#include <functional>

namespace app {

// A top-level window with the life cycle of a form: loaded on first use (Form_Load runs),
// unloaded by its close box or by unload() (Form_QueryUnload runs, then the window is
// destroyed). Each form class has one shared instance; its object name is its class name.
class Form : public QMainWindow {
    Q_OBJECT
public:
    explicit Form(const char *formName);
    ~Form() override;

    bool isUnloading() const { return unloading_; }

protected:
    // Runs once, when the shared instance is created.
    virtual void Form_Load() {}
    // Runs once, when the window unloads, whatever the reason; closing is never refused.
    virtual void Form_QueryUnload() {}

    void closeEvent(QCloseEvent *event) override;

private:
    friend class Forms;
    bool unloading_ = false;
};

class Forms {
public:
    // The shared instance of T, created and loaded on first use; not shown.
    template<class T> static T *instance()
    {
        if (auto *form = loaded<T>())
            return form;
        auto *form = new T;
        add(form);
        static_cast<Form *>(form)->Form_Load();
        return loadedOrNull(form) ? form : nullptr;
    }

    // Shows the shared instance modeless (loading it first when needed) and brings it forward.
    // Returns nullptr when the window unloaded itself during its load.
    template<class T> static T *show()
    {
        T *form = instance<T>();
        if (form)
            bringForward(form);
        return form;
    }

    // The shared instance of T when it is loaded, else nullptr.
    template<class T> static T *loaded()
    {
        for (Form *form : loadedForms())
            if (auto *typed = qobject_cast<T *>(form))
                return typed;
        return nullptr;
    }

    // Unloads a window: its Form_QueryUnload runs, then it is destroyed (later, by the event loop).
    static void unload(Form *form);

    // The loaded windows, oldest first.
    static QList<Form *> loadedForms();

    // The program ends when its last loaded window unloads, whenever that happens: also
    // during the start-up window's load, before the event loop runs. The callback is told
    // each time (tests watch the end of the program with it).
    static void setOnAllUnloaded(std::function<void()> callback);

private:
    static void add(Form *form);
    static bool loadedOrNull(Form *form);
    static void bringForward(Form *form);
};

// Unloads every loaded window whose name differs from the given one's, then the given one.
void UnloadAllForms(Form *form);

} // namespace app
