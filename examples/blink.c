/*
 * Blinks an LED on P1.0 of an 8051-core microcontroller, about twice a second at
 * 11.0592 MHz with the classic twelve clocks per machine cycle. The LED is wired from
 * the supply through a resistor to the pin, so a low pin lights it. A second LED on
 * P1.1 shows that the program passed its start-up.
 */

__sfr __at(0x90) P1;
__sbit __at(0x90) LED;
__sbit __at(0x91) ALIVE;

/* Busy-waits roughly a millisecond per count: no timer is spent on a demo. */
static void delay_ms(unsigned int count)
{
    while (count--) {
        volatile unsigned char inner = 110;
        while (--inner) {
        }
    }
}

void main(void)
{
    P1 = 0xFF;
    ALIVE = 0;
    for (;;) {
        LED = !LED;
        delay_ms(250);
    }
}
