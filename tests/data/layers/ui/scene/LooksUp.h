// A scene header that reaches up to the window: the layering check must refuse it.
#pragma once

#include "ui/window/SimMain.h"
