// The control classes the dialogs derive from. They add nothing yet but a
// name: behaviour lives in the derived controls.
#pragma once
#include "Wnd.h"

namespace fw {

class CStatic : public CWnd {};

class CEdit : public CWnd {};

}  // namespace fw
