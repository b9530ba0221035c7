// Control ids of the dialogs that the system shows over the wizard, by the names the scenarios
// use. Not compiled: the UI driver reads these lines (--ids), as it reads res/resource.h for the
// wizard's own controls.

// Message boxes and the about box: the OK button; the monitor's dialogs: OK and Cancel.
#define IDOK 1
#define IDCANCEL 2

// Wine's Local Port monitor: the name field of its "new port" dialog, and the time-out field of
// its settings dialog for an LPT port.
#define IDC_LOCALUI_PORT_NAME 101
#define IDC_LOCALUI_LPT_TIMEOUT 202
