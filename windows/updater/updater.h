#pragma once
#include "app/forms.h"

// The window that downloads a newer driver database and the chat server's current address.
class Updater : public app::Form {
    Q_OBJECT
public:
    Updater();
    ~Updater() override;

protected:
    void Form_Load() override;
};
