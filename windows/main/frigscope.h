#pragma once
#include "app/forms.h"

// The main window.
class fRigscope : public app::Form {
    Q_OBJECT
public:
    fRigscope();
};
