/* Code built without unwind information, as code built without the fault
   flags may be: a fault here can't become an exception. */

void WriteThroughNull(int value) {
  volatile int* volatile target = 0;
  *target = value;
}
