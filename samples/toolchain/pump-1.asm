; PUMP-1 application firmware, version 1.06, for the PIC16F1938 with the serial bootloader.
; The bootloader owns program words 0x000-0x1FF; the application starts at word 0x200 with
; its information record, which the bootloader and the updater read.
        processor 16f1938
        #include <p16f1938.inc>

        __config _CONFIG1, _FOSC_INTOSC & _WDTE_OFF & _PWRTE_ON & _MCLRE_ON
        __config _CONFIG2, _PLLEN_ON & _LVP_OFF
        __idlocs 0x1060

        #ifndef CHECKSUM
        #define CHECKSUM 0         ; the toolchain cannot compute it: zev-pack --set-checksum does
        #endif

        org     0x200
info:   dw      program_end        ; EP: word address of the program's last word
        dw      CHECKSUM           ; CS
        dw      0x0106             ; VP: version 1.06
        dw      0x0051             ; TD: device type
        dw      0x0102             ; IZ in the low byte (2), IP in the high byte (1)
        dw      0x0000             ; DT
        dw      'P', 'U', 'M', 'P', '-', '1', 0, 0, 0, 0 ; TX

start:  banksel TRISB
        clrf    TRISB
        banksel LATB
loop:   incf    LATB, f
        call    wait
        goto    loop

        org     0x240
wait:   movlw   0xFF
        movwf   0x70
wait1:  decfsz  0x70, f
        goto    wait1
        return

        org     0x300
table:  retlw   0x10
        retlw   0x20
        retlw   0x30
        retlw   0x40
        retlw   0x50
program_end:
        retlw   0x60

        org     0xF000             ; data EEPROM
        de      0x01, 0x02, 0x03, "PUMP", 0x00, 0x64, 0x32
        end
