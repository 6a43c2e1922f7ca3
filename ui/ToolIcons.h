#pragma once

#include <QIcon>

// The tool bar's two 24 x 24 pictures, drawn rather than loaded so that they stay crisp at any scale.
class ToolIcons {
public:
    static QIcon upgrade();
    static QIcon loadHistory();
    static QIcon program();
};
