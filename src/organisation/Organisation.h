#pragma once
// The organisation's windows: entities, departments, offices, their
// history, the structure tree and the structure-change notices.

namespace nimbo::organisation {

// Registers every window of the organisation with the window registry.
void registerOrganisationWindows();

// The record editors (Editors.cpp).
void registerEditorWindows();
// The history viewers, the office picker, the structure tree and the
// notices window (Structure.cpp).
void registerStructureWindows();
// The office members and the groups of offices (Members.cpp).
void registerMemberWindows();
// Operators, their further assignments, workstations and the change of
// working department (Operators.cpp).
void registerOperatorWindows();

} // namespace nimbo::organisation
