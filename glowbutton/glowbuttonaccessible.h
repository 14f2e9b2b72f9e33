#pragma once

// Registers, once, the accessibility bridge that presents every GlowButton as a push button
// named by its caption, with a press action.
void InstallGlowButtonAccessibility();
