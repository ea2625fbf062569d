// Sizes and timings of the program, each with its unit.
#ifndef APP_PARAMS_H
#define APP_PARAMS_H

#define TEXT_BUF_SIZE 10240        // bytes: text buffers and paths
#define CMD_QUEUE_SIZE 64          // records in the command ring
#define CMD_QUEUE_MASK 63          // ring index wrap
#define CMD_POST_PARAM 1           // s32Param of every post
#define CMD_POST_DELAY 700         // ms: countdown of every post
#define CMD_POST_RESERVED 0        // s32Reserved of every post
#define CMD_DELAY_STEP 100         // ms: countdown taken per timer tick
#define MAIN_PANEL_HEIGHT 550      // pixels: normal mode
#define MAIN_PANEL_HEIGHT_ADV 695  // pixels: advanced mode
#define MSG_BOX_CTRL 37            // control ID of the message box
#define PAGE_NUM_MIN 1             // pages of 128 bytes
#define PAGE_NUM_MAX 16            // pages of 128 bytes

#endif
