#pragma once

class QWidget;

// Puts every control of the window in its place and tells screen readers what each one is. The
// places are kept in twips, as the layout is given, and converted to pixels here alone.

// Sizes `window` and places its controls, found by name. The window may be enlarged, never made
// smaller than its first size: the meter area takes the extra width, the receive and
// data-analysis areas the extra height; every other control keeps its place and size.
void ApplyLayout(QWidget &window);
// Gives the window's labels their buddies and the unlabelled controls their accessible names.
void DescribeControls(QWidget &window);
