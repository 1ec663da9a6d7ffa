/* Resource numbers of the dialog templates; read by the resource compiler
   and by C++. */
#ifndef TDU_UI_DIALOG_IDS_H
#define TDU_UI_DIALOG_IDS_H

/* The message box: button 1 and button 2. */
#define IDD_MESSAGE_BOX 355

#endif
