#pragma once
#include <QtGlobal>

#include <optional>

// How a progress bar shows a download: the bytes received against the announced length. When
// no usable length is announced the bar runs as a busy indicator (0..0); when more bytes
// arrive than announced its maximum follows them. Figures beyond the bar's range are scaled.
struct ProgressDisplay {
    int value = 0;
    int maximum = 0;
};

ProgressDisplay progressDisplay(qint64 received, std::optional<qint64> announced);
