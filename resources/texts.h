/* The numbers of the screen saver's texts: its string resources (texts.rc), one table in
   Japanese and one in English. The resource loader picks the table of the user's UI language,
   English for every language but Japanese. Read by the resource script and by the code alike,
   so only definitions here. */
#ifndef QM_RESOURCES_TEXTS_H
#define QM_RESOURCES_TEXTS_H

/* Its name in the Screen Saver list (string 1, as Windows reads it) and its messages' caption. */
#define QM_TEXT_NAME 1
/* The settings dialog's caption, also what a second start looks for (in every language). */
#define QM_TEXT_DIALOG_TITLE 2
#define QM_TEXT_MISSING_RENDERER 3
/* The dialog's controls. */
#define QM_TEXT_MUSIC 4
#define QM_TEXT_CD 5
#define QM_TEXT_REPEAT 6
#define QM_TEXT_NONE 7
#define QM_TEXT_FILE 8
#define QM_TEXT_SET 9
#define QM_TEXT_CANCEL 10
#define QM_TEXT_SCREEN_MODE 11
#define QM_TEXT_ALL_MONITORS 12
#define QM_TEXT_LINK 13
/* The file chooser and the dialog's messages. */
#define QM_TEXT_CHOOSER_TITLE 14
#define QM_TEXT_CHOOSER_FILTER 15
#define QM_TEXT_PATH_REFUSED 16
#define QM_TEXT_NOT_SAVED 17
/* The forms' font for the language: "name,points,weight,character set". */
#define QM_TEXT_FONT 18
#define QM_TEXT_LAST 18

#endif
