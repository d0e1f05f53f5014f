// The application's whole life: start-up, power-on procedures, the form loop, shutdown.
#pragma once

int splicer_main();
