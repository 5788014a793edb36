#include "windows/updater/updater.h"

Updater::Updater() : app::Form("Updater")
{
    setWindowTitle(QStringLiteral("Torvane Driver Updater - Updater"));
}

Updater::~Updater() = default;

void Updater::Form_Load() {}
