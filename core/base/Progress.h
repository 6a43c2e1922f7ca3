#pragma once

#include <string>

// The small window that long machine operations drive while they hold the user-interface thread.
// Texts are Windows-1252 bytes, as the catalogue gives them.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual void setMessage(const std::string& text) = 0;
    virtual void setMax(int max) = 0;
    virtual void setPosition(int position) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
};
