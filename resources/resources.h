#pragma once

#include <QtCore/qglobal.h>

// Registers the ":/image/" images. Call once, before the first image is
// loaded, from any executable that links vtr_resources. Q_INIT_RESOURCE
// declares the rcc initialiser at the point of use, so this must stay outside
// every namespace.
inline void InitResources() { Q_INIT_RESOURCE(images); }
