#pragma once
// Turning the computer off. Linked into the program only, never into tests:
// under Wine it ends every process of the prefix.
namespace korvane {

// Asks for the shutdown privilege of this process; results are not examined.
void EnableShutdownPrivilege();
// Shuts the system down and switches the power off.
void PowerOffComputer();

} // namespace korvane
