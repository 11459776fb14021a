#pragma once

class CTranslucentWnd;

// Implemented by the layered window: its translucent children ask it through this to
// compose the window's picture again.
class IRenderListener
{
public:
    virtual ~IRenderListener() = default;
    virtual void OnRenderChanged(CTranslucentWnd *child) = 0;
};
