#pragma once
// The organisation's windows: entities, departments, offices, their
// history, the structure tree and the structure-change notices.

namespace nimbo::organisation {

// Registers every window of the organisation with the window registry.
void registerOrganisationWindows();

// The record editors and the history viewers (Editors.cpp).
void registerEditorWindows();
// The structure tree and the notices window (Structure.cpp).
void registerStructureWindows();
// Operators, their further assignments, workstations and the change of
// working department (Operators.cpp).
void registerOperatorWindows();

} // namespace nimbo::organisation
