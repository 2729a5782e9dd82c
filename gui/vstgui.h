// The whole widget toolkit in one include.
#pragma once

#include "gui/CBitmap.h"
#include "gui/CControls.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/CView.h"
#include "gui/Platform.h"
