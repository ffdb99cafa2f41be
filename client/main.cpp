#include "Player.h"

int main()
{
    return tormakelin::client::runPlayer();
}
